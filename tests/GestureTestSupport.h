#pragma once
// Helpers shared by the gesture lock view tests: a finger that talks to the view's touch
// handlers directly, and a delegate that records what it hears.
#include "gesture/TQGestureLockView.h"
#include "platform/runtime/RuntimeThunks.h"
#include "platform/ui/UITouch.h"

#include <memory>
#include <string>
#include <vector>

namespace gesture_test {

inline std::shared_ptr<TQGestureLockView> makeLockView(CGRect frame)
{
    auto view = alloc<TQGestureLockView>();
    view->initWithFrame(frame);
    view->layoutSubviews();
    return view;
}

// One touch at a point given in the content view's coordinates.
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

// Records "begin:0", "end:0,1", "cancel:3" and, at each end or cancel, how many nodes were
// still selected while the callback ran. Its runtime class decides which callbacks it answers.
class Recorder : public NSObject, public TQGestureLockViewDelegate {
public:
    explicit Recorder(const char* runtimeClass) : runtimeClass_(runtimeClass) { }
    const char* className() const override { return runtimeClass_; }

    void gestureLockViewDidBeginWithPasscode(TQGestureLockView*, const std::string& code) override { events.push_back("begin:" + code); }
    void gestureLockViewDidEndWithPasscode(TQGestureLockView* view, const std::string& code) override { finished(view, "end:" + code); }
    void gestureLockViewDidCanceledWithPasscode(TQGestureLockView* view, const std::string& code) override { finished(view, "cancel:" + code); }

    std::vector<std::string> events;
    std::vector<std::size_t> selectedDuringFinish;

private:
    void finished(TQGestureLockView* view, std::string event)
    {
        events.push_back(std::move(event));
        std::size_t shown = 0;
        for (const auto& b : view->buttons())
            shown += b->isSelected() ? 1 : 0;
        selectedDuringFinish.push_back(view->selectedButtons().size() == shown ? shown : 999);
    }
    const char* runtimeClass_;
};

inline const ClassRegistration allCallbacks = ClassRegistration("GestureTestAllCallbacks", "NSObject")
    .method("gestureLockView:didBeginWithPasscode:", imp_implementationWithMember<&Recorder::gestureLockViewDidBeginWithPasscode>())
    .method("gestureLockView:didEndWithPasscode:", imp_implementationWithMember<&Recorder::gestureLockViewDidEndWithPasscode>())
    .method("gestureLockView:didCanceledWithPasscode:", imp_implementationWithMember<&Recorder::gestureLockViewDidCanceledWithPasscode>());
inline const ClassRegistration endOnly = ClassRegistration("GestureTestEndOnly", "NSObject")
    .method("gestureLockView:didEndWithPasscode:", imp_implementationWithMember<&Recorder::gestureLockViewDidEndWithPasscode>());

} // namespace gesture_test
