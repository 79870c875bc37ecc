#pragma once
// Shared by the gesture lock view tests: a finger on the view's touch handlers, and a delegate
// that records "begin:0", "end:0,1", "cancel:3" (its runtime class decides what it answers).
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

class Recorder : public NSObject, public TQGestureLockViewDelegate {
public:
    explicit Recorder(const char* runtimeClass) : runtimeClass_(runtimeClass) { }
    const char* className() const override { return runtimeClass_; }
    void gestureLockViewDidBeginWithPasscode(TQGestureLockView*, const std::string& c) override { events.push_back("begin:" + c); }
    void gestureLockViewDidEndWithPasscode(TQGestureLockView* v, const std::string& c) override { finished(v, "end:" + c); }
    void gestureLockViewDidCanceledWithPasscode(TQGestureLockView* v, const std::string& c) override { finished(v, "cancel:" + c); }

    std::vector<std::string> events;
    std::vector<std::size_t> selectedDuringFinish; // nodes still selected while end/cancel ran

private:
    void finished(TQGestureLockView* v, std::string event)
    {
        events.push_back(std::move(event));
        std::size_t shown = 0;
        for (const auto& b : v->buttons())
            shown += b->isSelected() ? 1 : 0;
        selectedDuringFinish.push_back(v->selectedButtons().size() == shown ? shown : 999);
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
