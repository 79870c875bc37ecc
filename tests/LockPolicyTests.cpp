// The lock decision on returning from the background, the record of going there, and the
// resting look the lock screen takes on entering it.
#include "LockTestSupport.h"

#include "platform/foundation/NSDate.h"
#include "platform/ui/UIKeyboardImpl.h"
#include "platform/ui/UITextField.h"

#include <cmath>

using namespace lock_test;

namespace {

class LockPolicyTests : public LockFixture {
protected:
    // Goes to the background, stays `seconds` by the wall clock, and asks on return.
    bool returnAfter(double seconds)
    {
        // Leave on a whole second, so a stay of whole seconds measures exactly.
        NSRunLoop::mainRunLoop().runUntil(std::ceil(clock_->monotonicNow()));
        controller_->registerLock();
        advance(seconds);
        logs.clear();
        return controller_->isNeedLock();
    }
};

} // namespace

TEST_F(LockPolicyTests, DefaultIntervalLocksFromExactlyThreeMinutes)
{
    setOutside("PASS_CODE", NSString::stringWithString("0,1"));
    launch();
    EXPECT_TRUE(returnAfter(180.0));
    EXPECT_EQ(logs, (std::vector<std::string> { "next:" + NSDate::date()->description(), "val:180.000000", "超出时间限制锁屏" }));

    EXPECT_FALSE(returnAfter(179.9));
    ASSERT_EQ(logs.size(), 2u);
    EXPECT_EQ(logs[0], "next:" + NSDate::date()->description());
    EXPECT_EQ(logs[1], "val:179.900000");

    // An interval of zero in the store means the default as well.
    setOutside("LOCK_INTERVAL", NSNumber::numberWithDouble(0.0));
    EXPECT_FALSE(returnAfter(179.9));
    EXPECT_TRUE(returnAfter(180.0));
}

TEST_F(LockPolicyTests, ConfiguredIntervalIsTakenAsItStands)
{
    launch();
    setOutside("LOCK_INTERVAL", NSNumber::numberWithInteger(30));
    EXPECT_TRUE(returnAfter(30.0));
    EXPECT_FALSE(returnAfter(29.5));

    // A text of digits reads as its number, as the store converts it.
    setOutside("LOCK_INTERVAL", NSString::stringWithString("45"));
    EXPECT_FALSE(returnAfter(44.0));
    EXPECT_TRUE(returnAfter(45.0));

    // A negative interval locks on every return, and a clock set back further locks as well.
    setOutside("LOCK_INTERVAL", NSNumber::numberWithDouble(-5.0));
    EXPECT_TRUE(returnAfter(0.0));
    controller_->registerLock();
    clock_->shiftWall(-4.0);
    EXPECT_TRUE(controller_->isNeedLock());
    controller_->registerLock();
    clock_->shiftWall(-6.0);
    EXPECT_TRUE(controller_->isNeedLock());

    // The interval is a 32-bit float: 16777217 reads as 16777216, so a stay between them locks.
    setOutside("LOCK_INTERVAL", NSNumber::numberWithInteger(16777217));
    EXPECT_TRUE(returnAfter(16777216.5));

    // An interval that is not a number compares unordered: no lock, and nothing after "val:".
    NSUserDefaults::standardUserDefaults()->setDouble(std::nan(""), "LOCK_INTERVAL");
    EXPECT_FALSE(returnAfter(1000.0));
    ASSERT_EQ(logs.size(), 2u);
    EXPECT_EQ(logs[1], "val:1000.000000");
}

TEST_F(LockPolicyTests, ClockSetBackNeverSkipsTheLock)
{
    launch();
    // Set back further than the time away: the wall elapsed is negative and is logged as such.
    controller_->registerLock();
    advance(500.0);
    clock_->shiftWall(-1000.0);
    logs.clear();
    EXPECT_TRUE(controller_->isNeedLock());
    EXPECT_EQ(logs.back(), "val:-500.000000");

    // Set back by less than the time away: the wall says 30 s, the boot clock the 200 s away.
    controller_->registerLock();
    advance(200.0);
    clock_->shiftWall(-170.0);
    logs.clear();
    EXPECT_TRUE(controller_->isNeedLock());
    EXPECT_EQ(logs.back(), "val:30.000000");

    // Both clocks under the interval: no lock.
    controller_->registerLock();
    advance(20.0);
    clock_->shiftWall(-10.0);
    EXPECT_FALSE(controller_->isNeedLock());

    // The boot clock only adds locks: lock-off still keeps the lock away.
    setOutside("LOCK_LOCK_OFF", NSNumber::numberWithBool(true));
    controller_->registerLock();
    advance(1000.0);
    clock_->shiftWall(-5000.0);
    EXPECT_FALSE(controller_->isNeedLock());
    setOutside("LOCK_LOCK_OFF", NSNumber::numberWithBool(false));

    setOutside("LOCK_IS_NEED_LOCK", NSNumber::numberWithBool(true));
    logs.clear();
    EXPECT_TRUE(controller_->isNeedLock());
    EXPECT_EQ(logs, std::vector<std::string> { "强制锁屏" });
}

TEST_F(LockPolicyTests, LockOffWinsOverEverything)
{
    launch();
    setOutside("LOCK_IS_NEED_LOCK", NSNumber::numberWithBool(true));
    setOutside("LOCK_LOCK_OFF", NSString::stringWithString("YES"));
    EXPECT_FALSE(returnAfter(100000.0));
    EXPECT_EQ(logs, std::vector<std::string> { "关闭锁屏" });

    // Never registered: the time since 1970 is far over any interval.
    setOutside("LOCK_LOCK_OFF", NSNumber::numberWithBool(false));
    setOutside("LOCK_IS_NEED_LOCK", NSNumber::numberWithBool(false));
    auto fresh = alloc<TQViewController>();
    fresh->initWithNibName(std::nullopt, nullptr);
    EXPECT_TRUE(fresh->isNeedLock()) << "asking before the view exists must not fail";
}

TEST_F(LockPolicyTests, EveryDecisionShowsTheUnlockMessageEvenInSettingMode)
{
    setOutside("LOCK_LOCK_OFF", NSNumber::numberWithBool(true));
    launch();
    ASSERT_EQ(message(), "Set Passcode");
    EXPECT_FALSE(controller_->isNeedLock());
    EXPECT_EQ(message(), "Slide to unlock");
    // The next pattern still starts a new passcode.
    draw({ 1, 2 });
    EXPECT_EQ(message(), "Re-enter your passcode");
}

TEST_F(LockPolicyTests, GoingToTheBackgroundRecordsTheTimeAndPutsTheKeyboardAway)
{
    launch();
    logs.clear();
    controller_->registerLock();
    EXPECT_DOUBLE_EQ(controller_->goBackgroundTime(), kEpoch);
    EXPECT_EQ(logs, (std::vector<std::string> { "now:" + NSDate::date()->description(), "dismissKeyboard2--------", "keyboard:(null)" }));

    auto field = alloc<UITextField>();
    field->initWithFrame(CGRectMake(0, 0, 100, 30));
    host_->window_->addSubview(field);
    field->becomeFirstResponder();
    auto keyboard = UIKeyboardImpl::activeInstance();
    ASSERT_TRUE(keyboard);
    advance(42.0);
    logs.clear();
    controller_->registerLock();
    EXPECT_DOUBLE_EQ(controller_->goBackgroundTime(), kEpoch + 42.0);
    ASSERT_EQ(logs.size(), 3u);
    EXPECT_EQ(logs[2], "keyboard:" + keyboard->description());
    EXPECT_FALSE(UIKeyboardImpl::activeInstance());
    EXPECT_FALSE(field->isFirstResponder());
}

TEST_F(LockPolicyTests, BackgroundRestoresTheRestingLookButKeepsTheMode)
{
    setOutside("PASS_CODE", NSString::stringWithString("0,1,2"));
    launch();
    tapReset();
    draw({ 4 });
    ASSERT_EQ(controller_->failCount(), 1);
    postBackground();
    EXPECT_EQ(message(), "Slide to unlock");
    EXPECT_EQ(resetTitle(), "Cancel");
    EXPECT_TRUE(controller_->isResetPasscode());
    EXPECT_FALSE(controller_->resetBtn()->isHidden());
    EXPECT_EQ(controller_->failCount(), 0);
    draw({ 0, 1, 2 });
    EXPECT_EQ(message(), "Set new passcode") << "the next right pattern still leads into a new passcode";

    // Between a first drawing and its confirmation the first drawing survives.
    draw({ 3, 4, 5 });
    postBackground();
    EXPECT_EQ(message(), "Set Passcode");
    EXPECT_TRUE(controller_->resetBtn()->isHidden());
    EXPECT_EQ(controller_->passcode(), "3,4,5");
    draw({ 3, 4, 5 });
    EXPECT_EQ(message(), "Success");
    EXPECT_EQ(storedPasscode(), "3,4,5");

    // After Success the button stays hidden until the next trip to the background.
    EXPECT_TRUE(controller_->resetBtn()->isHidden());
    postBackground();
    EXPECT_FALSE(controller_->resetBtn()->isHidden());
}

TEST_F(LockPolicyTests, PasscodeIsReadOnceWhenTheScreenIsBuilt)
{
    setOutside("PASS_CODE", NSString::stringWithString("0,1,2"));
    launch();
    setOutside("PASS_CODE", NSString::stringWithString("6,7,8"));
    draw({ 6, 7, 8 });
    EXPECT_EQ(unlocks, 0);
    draw({ 0, 1, 2 });
    EXPECT_EQ(unlocks, 1);
    EXPECT_EQ(storedPasscode(), "6,7,8") << "the controller does not write what it merely read";
}
