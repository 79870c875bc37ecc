#include "platform/foundation/Clock.h"
#include "platform/foundation/NSRunLoop.h"
#include "platform/foundation/NSString.h"
#include "platform/foundation/NSTimer.h"
#include "platform/runtime/RuntimeThunks.h"

#include <gtest/gtest.h>

#include <cmath>

#include <string>
#include <vector>

namespace {

std::vector<std::string> events;

class TimerTarget : public NSObject {
public:
    GLYPHWARD_RUNTIME_CLASS_NAMED("TimerTestTarget", NSObject);
    void tick(NSObject* sender)
    {
        auto* timer = dynamic_cast<NSTimer*>(sender);
        auto info = timer ? std::dynamic_pointer_cast<NSString>(timer->userInfo()) : nullptr;
        events.push_back(label + "@" + std::to_string(Clock::current().monotonicNow()) + (info ? ":" + info->string() : ""));
        ++ticks;
        if (stopAfter && ticks >= stopAfter && timer)
            timer->invalidate();
        if (chain) {
            chain = false;
            NSTimer::scheduledTimerWithTimeInterval(0.0, self<NSObject>(), sel("tick:"), NSString::stringWithString("chained"), false);
        }
    }
    void poke() { events.push_back(label + " poked@" + std::to_string(Clock::current().monotonicNow())); }
    std::string label;
    int ticks = 0;
    int stopAfter = 0;
    bool chain = false;
};

const ClassRegistration timerTarget = ClassRegistration::of<TimerTarget>()
                                          .method("tick:", imp_implementationWithMember<&TimerTarget::tick>())
                                          .method("poke", imp_implementationWithMember<&TimerTarget::poke>());

std::shared_ptr<TimerTarget> makeTarget(const std::string& label)
{
    auto target = std::make_shared<TimerTarget>();
    target->label = label;
    return target;
}

class TimerTests : public ::testing::Test {
protected:
    void SetUp() override
    {
        Clock::setCurrent(std::make_shared<VirtualClock>(1000.0));
        events.clear();
    }
};

} // namespace

TEST_F(TimerTests, TimersAndDelayedPerformsFireInTimeOrderWithTiesInSchedulingOrder)
{
    auto a = makeTarget("a");
    auto b = makeTarget("b");
    auto c = makeTarget("c");
    NSTimer::scheduledTimerWithTimeInterval(2.0, a, sel("tick:"), nullptr, false);
    c->performSelector(sel("poke"), nullptr, 1.0);
    NSTimer::scheduledTimerWithTimeInterval(1.0, b, sel("tick:"), nullptr, false);
    // A tie with the perform above, scheduled later: it fires after it.
    NSTimer::scheduledTimerWithTimeInterval(1.0, a, sel("tick:"), NSString::stringWithString("tie"), false);

    NSRunLoop::mainRunLoop().runUntil(1.5);
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0], "c poked@1.000000");
    EXPECT_EQ(events[1], "b@1.000000");
    EXPECT_EQ(events[2], "a@1.000000:tie");

    // A timer that a firing timer schedules for a moment already reached fires in the same pass.
    b->chain = true;
    NSTimer::scheduledTimerWithTimeInterval(0.25, b, sel("tick:"), nullptr, false);
    NSRunLoop::mainRunLoop().runUntil(3.0);
    ASSERT_EQ(events.size(), 6u);
    EXPECT_EQ(events[3], "b@1.750000");
    EXPECT_EQ(events[4], "b@1.750000:chained");
    EXPECT_EQ(events[5], "a@2.000000");
    EXPECT_FALSE(NSRunLoop::mainRunLoop().hasPendingWork());

    // A time that is not a number fires now and leaves the order of the rest intact.
    std::vector<int> order;
    NSRunLoop::mainRunLoop().schedule(1.0, [&] { order.push_back(2); });
    NSRunLoop::mainRunLoop().scheduleAt(NAN, [&] { order.push_back(1); });
    NSRunLoop::mainRunLoop().schedule(2.0, [&] { order.push_back(3); });
    EXPECT_EQ(NSRunLoop::mainRunLoop().nextFireTime(), 3.0);
    NSRunLoop::mainRunLoop().runUntil(5.0);
    EXPECT_EQ(order, (std::vector<int> { 1, 2, 3 }));
}

TEST_F(TimerTests, AOneShotTimerHoldsItsTargetUntilItFiresAndThenLetsGo)
{
    auto target = makeTarget("held");
    std::weak_ptr<TimerTarget> watch = target;
    std::weak_ptr<NSTimer> timerWatch = NSTimer::scheduledTimerWithTimeInterval(10.0, target, sel("tick:"),
        NSString::stringWithString("info"), false);
    target.reset();
    // Nobody but the timer holds the target, and nobody but the run loop holds the timer.
    EXPECT_FALSE(watch.expired());
    EXPECT_FALSE(timerWatch.expired());

    NSRunLoop::mainRunLoop().runUntil(9.9);
    EXPECT_TRUE(events.empty());
    NSRunLoop::mainRunLoop().runUntil(10.0);
    ASSERT_EQ(events.size(), 1u);
    // The user info is still there while the timer's method runs.
    EXPECT_EQ(events[0], "held@10.000000:info");
    EXPECT_TRUE(watch.expired());
    EXPECT_TRUE(timerWatch.expired());

    // An invalidated timer never fires and lets its target go at once.
    auto other = makeTarget("never");
    std::weak_ptr<TimerTarget> otherWatch = other;
    auto timer = NSTimer::scheduledTimerWithTimeInterval(1.0, other, sel("tick:"), nullptr, false);
    other.reset();
    timer->invalidate();
    EXPECT_FALSE(timer->isValid());
    EXPECT_TRUE(otherWatch.expired());
    NSRunLoop::mainRunLoop().runUntil(20.0);
    EXPECT_EQ(events.size(), 1u);
}

TEST_F(TimerTests, RepeatingTimersKeepTheirBeatUntilInvalidated)
{
    auto target = makeTarget("r");
    target->stopAfter = 3;
    std::weak_ptr<TimerTarget> watch = target;
    auto timer = NSTimer::scheduledTimerWithTimeInterval(0.1, target, sel("tick:"), nullptr, true);
    target.reset();
    NSRunLoop::mainRunLoop().runUntil(5.0);
    // Ticks are counted from when the first was due, so ten of them would land on whole tenths.
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0], "r@0.100000");
    EXPECT_EQ(events[1], "r@0.200000");
    EXPECT_EQ(events[2], "r@0.300000");
    EXPECT_FALSE(timer->isValid());
    EXPECT_TRUE(watch.expired());

}
