#pragma once
#include "platform/runtime/NSObject.h"

#include <string>

class TQGestureLockView;

// What a gesture lock view tells its owner about a pattern. All three are optional: a delegate
// class registers with the runtime the selectors of the ones it implements
// ("gestureLockView:didBeginWithPasscode:" and its siblings), and the view calls only those.
class TQGestureLockViewDelegate : public virtual NSObjectProtocol {
public:
    // The first node of a gesture was selected; the passcode is that node's index alone.
    virtual void gestureLockViewDidBeginWithPasscode(TQGestureLockView* /*view*/, const std::string& /*passcode*/) { }
    // The finger lifted with at least one node selected; the passcode is the whole pattern.
    virtual void gestureLockViewDidEndWithPasscode(TQGestureLockView* /*view*/, const std::string& /*passcode*/) { }
    // The touch was cancelled with at least one node selected; the passcode is the pattern so far.
    virtual void gestureLockViewDidCanceledWithPasscode(TQGestureLockView* /*view*/, const std::string& /*passcode*/) { }
};
