#pragma once
// Shared by the gesture lock view tests: a finger on the view's touch handlers, and delegates
// that record "begin:0", "end:0,1", "cancel:3".
#include "gesture/TQGestureLockView.h"
#include "platform/runtime/RuntimeThunks.h"
#include "platform/ui/UITouch.h"

namespace gesture_test {

inline std::shared_ptr<TQGestureLockView> makeLockView(CGRect frame, UIEdgeInsets insets = {})
{
    auto view = alloc<TQGestureLockView>();
    view->initWithFrame(frame);
    view->setContentInsets(insets);
    view->layoutSubviews();
    return view;
}

// Points are in the content view's coordinates.
inline UITouchSet touchAt(const TQGestureLockView& view, CGPoint p)
{
    auto touch = std::make_shared<UITouch>();
    touch->setLocationInWindow(view.contentView()->convertPointToView(p, nullptr));
    return UITouchSet({ touch });
}
inline void down(TQGestureLockView& v, CGPoint p) { v.touchesBegan(touchAt(v, p), nullptr); }
inline void move(TQGestureLockView& v, CGPoint p) { v.touchesMoved(touchAt(v, p), nullptr); }
inline void up(TQGestureLockView& v) { v.touchesEnded(UITouchSet(), nullptr); }
inline void cancel(TQGestureLockView& v) { v.touchesCancelled(UITouchSet(), nullptr); }

// Records what it is told. Which callbacks it gets is decided by the ones it overrides: its
// class adopts the protocol and registers no selector of its own.
class RecorderBase : public NSObject, public TQGestureLockViewDelegate {
public:
    std::vector<std::string> events;
    std::vector<std::size_t> selectedDuringFinish; // nodes still selected while end/cancel ran

protected:
    void finished(TQGestureLockView* v, std::string event)
    {
        events.push_back(std::move(event));
        std::size_t shown = 0;
        for (const auto& b : v->buttons())
            shown += b->isSelected() ? 1 : 0;
        selectedDuringFinish.push_back(v->selectedButtons().size() == shown ? shown : 999);
    }
};

class Recorder : public RecorderBase {
public:
    GLYPHWARD_RUNTIME_CLASS_NAMED("GestureTestAllCallbacks", RecorderBase);
    void gestureLockViewDidBeginWithPasscode(TQGestureLockView*, const std::string& c) override { events.push_back("begin:" + c); }
    void gestureLockViewDidEndWithPasscode(TQGestureLockView* v, const std::string& c) override { finished(v, "end:" + c); }
    void gestureLockViewDidCanceledWithPasscode(TQGestureLockView* v, const std::string& c) override { finished(v, "cancel:" + c); }
};

class EndRecorder : public RecorderBase {
public:
    GLYPHWARD_RUNTIME_CLASS_NAMED("GestureTestEndOnly", RecorderBase);
    void gestureLockViewDidEndWithPasscode(TQGestureLockView* v, const std::string& c) override { finished(v, "end:" + c); }
};

inline const ClassRegistration allCallbacks = TQGestureLockViewDelegate::adopt<Recorder>(ClassRegistration::of<Recorder>());
inline const ClassRegistration endOnly = TQGestureLockViewDelegate::adopt<EndRecorder>(ClassRegistration::of<EndRecorder>());

} // namespace gesture_test
