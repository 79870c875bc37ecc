#pragma once
#include "platform/foundation/NSRunLoop.h"
#include "platform/runtime/NSObject.h"

#include <memory>

// A timer on the main run loop. It holds its target and user info until it is invalidated; a
// one-shot timer invalidates itself when it fires. The run loop holds the timer while it is
// scheduled, so callers may drop their reference.
class NSTimer final : public NSObject {
public:
    // Fires `interval` seconds from now by sending the selector to the target with the timer as
    // the argument; a repeating timer fires again every `interval` seconds after that.
    static std::shared_ptr<NSTimer> scheduledTimerWithTimeInterval(double interval, std::shared_ptr<NSObject> target,
        SEL selector, std::shared_ptr<NSObject> userInfo, bool repeats);

    NSTimer(double interval, std::shared_ptr<NSObject> target, SEL selector, std::shared_ptr<NSObject> userInfo, bool repeats);

    GLYPHWARD_RUNTIME_CLASS(NSTimer, NSObject);

    // Stops the timer for good and releases its target and user info; nothing once invalid.
    void invalidate();
    // Fires now, out of schedule; a one-shot timer is then invalid, a repeating one keeps its schedule.
    void fire();
    bool isValid() const { return valid_; }
    std::shared_ptr<NSObject> userInfo() const { return userInfo_; }

private:
    void scheduleAt(double time);
    void fireFromRunLoop();

    double interval_;
    std::shared_ptr<NSObject> target_;
    SEL selector_;
    std::shared_ptr<NSObject> userInfo_;
    bool repeats_;
    bool valid_ = true;
    double fireTime_ = 0.0;
    NSRunLoop::Ticket ticket_ = 0;
};
