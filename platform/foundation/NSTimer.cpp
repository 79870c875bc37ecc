#include "platform/foundation/NSTimer.h"

#include "platform/foundation/Clock.h"

namespace {
// A repeating timer with no interval would fire forever within one instant; Foundation uses a
// tenth of a millisecond instead, and so do we.
constexpr double kShortestRepeat = 0.0001;
} // namespace

std::shared_ptr<NSTimer> NSTimer::scheduledTimerWithTimeInterval(double interval, std::shared_ptr<NSObject> target,
    SEL selector, std::shared_ptr<NSObject> userInfo, bool repeats)
{
    auto timer = std::make_shared<NSTimer>(interval, std::move(target), selector, std::move(userInfo), repeats);
    timer->scheduleAt(Clock::current().monotonicNow() + timer->interval_);
    return timer;
}

NSTimer::NSTimer(double interval, std::shared_ptr<NSObject> target, SEL selector, std::shared_ptr<NSObject> userInfo, bool repeats)
    : interval_(interval > 0 ? interval : (repeats ? kShortestRepeat : 0.0))
    , target_(std::move(target))
    , selector_(selector)
    , userInfo_(std::move(userInfo))
    , repeats_(repeats)
{
    // NaN would never order in the run loop; treat it as "now".
    if (!(interval_ == interval_))
        interval_ = repeats ? kShortestRepeat : 0.0;
}

void NSTimer::scheduleAt(double time)
{
    fireTime_ = time;
    // The run loop's copy of the timer is what keeps an unreferenced timer alive until it fires.
    ticket_ = NSRunLoop::mainRunLoop().scheduleAt(time, [self = self<NSTimer>()] { self->fireFromRunLoop(); });
}

void NSTimer::invalidate()
{
    if (!valid_)
        return;
    valid_ = false;
    NSRunLoop::mainRunLoop().cancel(ticket_);
    target_.reset();
    userInfo_.reset();
}

void NSTimer::fireFromRunLoop()
{
    if (!valid_)
        return;
    // The next tick is counted from when this one was due, so a repeating timer does not drift.
    if (repeats_)
        scheduleAt(fireTime_ + interval_);
    fire();
}

void NSTimer::fire()
{
    if (!valid_)
        return;
    // Keep the target and the timer alive through the call, even if it invalidates the timer; a
    // one-shot timer still shows its user info to the method it calls.
    auto keepSelf = self<NSTimer>();
    auto target = target_;
    if (repeats_) {
        objc_sendAction(target.get(), selector_, this);
        return;
    }
    valid_ = false;
    NSRunLoop::mainRunLoop().cancel(ticket_);
    objc_sendAction(target.get(), selector_, this);
    target_.reset();
    userInfo_.reset();
}
