// The lock screen's passcode flow, driven by touches on the lock window: setting, confirming,
// verifying and resetting the passcode, the fail count and the wait after too many wrong ones.
#include "LockTestSupport.h"

#include <algorithm>

using namespace lock_test;

namespace {

class LockControllerTests : public LockFixture { };

} // namespace

TEST_F(LockControllerTests, SettingAPasscodeTakesTwoDrawingsAlike)
{
    launch();
    EXPECT_EQ(message(), "Set Passcode");
    EXPECT_TRUE(controller_->isUnsetPasscode());
    EXPECT_TRUE(controller_->resetBtn()->isHidden());

    draw({ 0, 1, 2 });
    EXPECT_EQ(message(), "Re-enter your passcode");
    EXPECT_EQ(controller_->passcode(), "0,1,2");
    EXPECT_FALSE(storedPasscode()) << "the first drawing is never stored";
    EXPECT_TRUE(logged("0")) << "the first node of a pattern is logged";
    EXPECT_TRUE(logged("0,1,2"));

    // The same nodes in another order are a different pattern; the pair starts over and a
    // mismatch here does not count as a wrong passcode.
    draw({ 2, 1, 0 });
    EXPECT_EQ(message(), "Wrong Passcode.try again");
    EXPECT_FALSE(controller_->passcode());
    EXPECT_EQ(controller_->failCount(), 0);
    EXPECT_FALSE(logged("密码错误，请重输"));

    draw({ 2, 1, 0 });
    EXPECT_EQ(message(), "Re-enter your passcode");
    draw({ 0, 1, 2 });
    EXPECT_EQ(message(), "Wrong Passcode.try again");
    EXPECT_FALSE(storedPasscode());

    // A single node is a passcode like any other; Success does not shake.
    draw({ 4 });
    advance(1.0);
    draw({ 4 });
    EXPECT_EQ(message(), "Success");
    EXPECT_TRUE(controller_->label()->transform() == CGAffineTransformIdentity);
    EXPECT_FALSE(controller_->isUnsetPasscode());
    EXPECT_EQ(storedPasscode(), "4");
    EXPECT_EQ(unlocks, 0) << "a new passcode does not unlock";

    // Within the 1.5 s before the host's window comes forward the new passcode already verifies.
    advance(1.4);
    EXPECT_TRUE(lockWindow_->isKeyWindow());
    draw({ 4 });
    EXPECT_EQ(unlocks, 1);
    advance(0.2);
    EXPECT_TRUE(host_->window_->isKeyWindow());
    EXPECT_EQ(UIWindow::windowsFrontToBack().front(), host_->window_);
    EXPECT_FLOAT_EQ(lockWindow_->alpha(), 1.0f) << "the lock window is passed over, not faded";
}

TEST_F(LockControllerTests, VerificationCountsWrongPatternsAndUnlocksOnTheRightOne)
{
    setOutside("PASS_CODE", NSString::stringWithString("0,4,8"));
    launch();
    EXPECT_EQ(message(), "Slide to unlock");
    EXPECT_FALSE(controller_->resetBtn()->isHidden());
    EXPECT_FALSE(controller_->isUnsetPasscode());

    draw({ 0, 4 });
    EXPECT_EQ(message(), "Wrong Passcode");
    EXPECT_EQ(controller_->failCount(), 1);
    EXPECT_TRUE(logged("密码错误，请重输"));
    draw({ 8, 4, 0 });
    EXPECT_EQ(controller_->failCount(), 2);
    EXPECT_EQ(unlocks, 0);

    draw({ 0, 4, 8 });
    EXPECT_EQ(controller_->failCount(), 0);
    EXPECT_EQ(unlocks, 1);
    EXPECT_EQ(message(), "Wrong Passcode") << "the message stays while the lock fades out";
    EXPECT_EQ(storedPasscode(), "0,4,8") << "verifying never touches the store";

    // Without an unlock block a right pattern only clears the count.
    controller_->setUnlock(nullptr);
    draw({ 1 });
    draw({ 0, 4, 8 });
    EXPECT_EQ(controller_->failCount(), 0);
}

TEST_F(LockControllerTests, SixthWrongPatternTakesEntryAwayForTenSeconds)
{
    setOutside("PASS_CODE", NSString::stringWithString("0,1,2"));
    launch();
    for (int i = 1; i <= 5; ++i)
        draw({ 3, 4 });
    EXPECT_EQ(message(), "Wrong Passcode");
    EXPECT_EQ(controller_->failCount(), 5);
    EXPECT_FLOAT_EQ(controller_->lockView()->alpha(), 1.0f);

    draw({ 3, 4 });
    EXPECT_EQ(message(), "Wrong please wait");
    EXPECT_EQ(controller_->failCount(), 6);
    EXPECT_FLOAT_EQ(controller_->lockView()->alpha(), 0.0f);
    EXPECT_FLOAT_EQ(controller_->resetBtn()->alpha(), 0.0f);
    EXPECT_GT(controller_->lockView()->presentationAlpha(), 0.5f) << "the fade has only begun";

    // Neither a pattern nor the reset button gets through while faded, from the fade's start.
    draw({ 0, 1, 2 });
    tapReset();
    EXPECT_EQ(unlocks, 0);
    EXPECT_FALSE(controller_->isResetPasscode());
    EXPECT_EQ(controller_->failCount(), 6);

    advance(9.9);
    EXPECT_FLOAT_EQ(controller_->lockView()->alpha(), 0.0f);
    advance(0.1);
    EXPECT_FLOAT_EQ(controller_->lockView()->alpha(), 1.0f);
    EXPECT_FLOAT_EQ(controller_->resetBtn()->alpha(), 1.0f);
    EXPECT_EQ(controller_->failCount(), 0);
    EXPECT_EQ(message(), "Wrong please wait") << "the message outlasts the wait";
    advance(0.5);

    draw({ 5 });
    EXPECT_EQ(message(), "Wrong Passcode");
    EXPECT_EQ(controller_->failCount(), 1);
    draw({ 0, 1, 2 });
    EXPECT_EQ(unlocks, 1);
}

TEST_F(LockControllerTests, BackgroundEndsAWaitAndAnOldTimerEndsALaterOne)
{
    setOutside("PASS_CODE", NSString::stringWithString("0,1,2"));
    launch();
    for (int i = 0; i < 6; ++i)
        draw({ 8 });
    advance(2.0);
    postBackground();
    EXPECT_FLOAT_EQ(controller_->lockView()->alpha(), 1.0f);
    EXPECT_FLOAT_EQ(controller_->resetBtn()->alpha(), 1.0f);
    EXPECT_EQ(controller_->failCount(), 0);
    EXPECT_EQ(message(), "Slide to unlock");

    // A second wait starts at t=3; the first wait's timer, due at t=10, ends it early.
    advance(1.0);
    for (int i = 0; i < 6; ++i)
        draw({ 8 });
    EXPECT_FLOAT_EQ(controller_->lockView()->alpha(), 0.0f);
    advance(6.9);
    EXPECT_FLOAT_EQ(controller_->lockView()->alpha(), 0.0f);
    advance(0.2);
    EXPECT_FLOAT_EQ(controller_->lockView()->alpha(), 1.0f);
    EXPECT_EQ(controller_->failCount(), 0);

    // Its own timer, due at t=13, still clears the count of wrong patterns drawn since.
    advance(0.6);
    draw({ 7 });
    draw({ 7 });
    EXPECT_EQ(controller_->failCount(), 2);
    advance(3.0);
    EXPECT_EQ(controller_->failCount(), 0);
}

TEST_F(LockControllerTests, ResetButtonTogglesResetModeWithoutTouchingTheCount)
{
    setOutside("PASS_CODE", NSString::stringWithString("0,1,2"));
    launch();
    draw({ 5 });
    std::shared_ptr<UIButton> button = controller_->resetBtn();
    EXPECT_EQ(resetTitle(), "Reset Passcode");

    tapReset();
    EXPECT_TRUE(controller_->isResetPasscode());
    EXPECT_EQ(message(), "Enter your old passcode");
    EXPECT_EQ(resetTitle(), "Cancel");
    EXPECT_FALSE(controller_->label()->transform() == CGAffineTransformIdentity) << "the message shakes";
    EXPECT_EQ(button->actionsForTarget(controller_, UIControlEventTouchUpInside), std::vector<SEL> { sel("cancelResetBtnAppear") });

    tapReset();
    EXPECT_FALSE(controller_->isResetPasscode());
    EXPECT_EQ(message(), "Slide to unlock");
    EXPECT_EQ(resetTitle(), "Reset Passcode");
    EXPECT_EQ(button->actionsForTarget(controller_, UIControlEventTouchUpInside), std::vector<SEL> { sel("resetPasscode:") });
    EXPECT_EQ(controller_->resetBtn(), button) << "toggling keeps the same button";
    EXPECT_EQ(controller_->failCount(), 1);
    EXPECT_EQ(controller_->passcode(), "0,1,2");
}

TEST_F(LockControllerTests, ResetReplacesThePasscodeAfterTheOldOneIsDrawn)
{
    setOutside("PASS_CODE", NSString::stringWithString("0,1,2"));
    launch();
    std::shared_ptr<UIButton> oldButton = controller_->resetBtn();
    tapReset();

    // Wrong old patterns count toward the same limit, and the mode stays through the wait.
    for (int i = 0; i < 6; ++i)
        draw({ 6, 7 });
    EXPECT_EQ(message(), "Wrong please wait");
    EXPECT_TRUE(controller_->isResetPasscode());
    EXPECT_EQ(resetTitle(), "Cancel");
    advance(10.5);
    draw({ 6 });
    EXPECT_EQ(controller_->failCount(), 1);

    draw({ 0, 1, 2 });
    EXPECT_EQ(message(), "Set new passcode");
    EXPECT_EQ(unlocks, 0) << "the old pattern in reset mode does not unlock";
    EXPECT_EQ(controller_->failCount(), 0);
    EXPECT_TRUE(controller_->isUnsetPasscode());
    EXPECT_FALSE(controller_->isResetPasscode());
    EXPECT_FALSE(controller_->passcode());
    EXPECT_EQ(storedPasscode(), "0,1,2") << "the old passcode stays until the new one replaces it";

    // A fresh button in its first state, hidden, and the only one in the view.
    auto button = controller_->resetBtn();
    EXPECT_NE(button, oldButton);
    EXPECT_EQ(oldButton->superview(), nullptr);
    EXPECT_TRUE(button->isHidden());
    EXPECT_EQ(resetTitle(), "Reset Passcode");
    EXPECT_EQ(button->actionsForTarget(controller_, UIControlEventTouchUpInside), std::vector<SEL> { sel("resetPasscode:") });
    const auto& children = controller_->view()->subviews();
    EXPECT_EQ(std::count_if(children.begin(), children.end(),
                  [](const auto& v) { return std::dynamic_pointer_cast<UIButton>(v) != nullptr; }),
        1);

    draw({ 2, 5, 8 });
    EXPECT_EQ(message(), "Re-enter your passcode");
    EXPECT_EQ(storedPasscode(), "0,1,2");
    draw({ 2, 5, 8 });
    EXPECT_EQ(message(), "Success");
    EXPECT_EQ(storedPasscode(), "2,5,8");
    advance(1.5);
    EXPECT_TRUE(host_->window_->isKeyWindow());

    // Back in front, as a return from the background brings it, the new passcode is in force.
    lockWindow_->makeKeyAndVisible();
    draw({ 0, 1, 2 });
    EXPECT_EQ(unlocks, 0);
    draw({ 2, 5, 8 });
    EXPECT_EQ(unlocks, 1);
}

TEST_F(LockControllerTests, APasscodeNoPatternCanMatchAsksForANewOne)
{
    // A number, an empty text, a repeated index, an index off the grid and stray characters
    // could never be drawn: each would lock the user out for good.
    const std::vector<std::shared_ptr<NSObject>> unusable = {
        NSNumber::numberWithInteger(1234),
        NSString::stringWithString(""),
        NSString::stringWithString("0,0"),
        NSString::stringWithString("9"),
        NSString::stringWithString("0,,1"),
        NSString::stringWithString("0, 1"),
        NSString::stringWithString("01,2"),
        NSString::stringWithString("1,2,"),
    };
    setOutside("PASS_CODE", NSString::stringWithString("8,7,6,5,4,3,2,1,0"));
    auto full = alloc<TQViewController>();
    full->initWithNibName(std::nullopt, nullptr);
    full->view();
    EXPECT_EQ(full->passcode(), "8,7,6,5,4,3,2,1,0") << "all nine nodes in any order is a passcode";

    for (const auto& value : unusable) {
        SCOPED_TRACE(value->description());
        setOutside("PASS_CODE", value);
        logs.clear();
        auto controller = alloc<TQViewController>();
        controller->initWithNibName(std::nullopt, nullptr);
        controller->view();
        EXPECT_TRUE(controller->isUnsetPasscode());
        EXPECT_FALSE(controller->passcode());
        EXPECT_EQ(std::count_if(logs.begin(), logs.end(), [](const std::string& l) { return l.find("PASS_CODE") != std::string::npos; }), 1);
    }

    // The screen asks for a new passcode; the odd value stays in the store untouched until the
    // new passcode replaces it.
    setOutside("PASS_CODE", NSNumber::numberWithInteger(1234));
    launch();
    EXPECT_EQ(message(), "Set Passcode");
    EXPECT_TRUE(controller_->resetBtn()->isHidden());
    draw({ 1, 4, 7 });
    auto kept = outsideDefaults()->objectForKey("PASS_CODE");
    ASSERT_TRUE(kept);
    EXPECT_EQ(kept->description(), "1234");
    draw({ 1, 4, 7 });
    EXPECT_EQ(storedPasscode(), "1,4,7");
}

TEST_F(LockControllerTests, RuntimeAnswersWhatTravelsAsSelectorsAndKeys)
{
    setOutside("PASS_CODE", NSString::stringWithString("3,4"));
    launch();
    EXPECT_TRUE(controller_->respondsToSelector(sel("gestureLockView:didEndWithPasscode:")));
    EXPECT_TRUE(controller_->respondsToSelector(sel("gestureLockView:didBeginWithPasscode:")));
    EXPECT_FALSE(controller_->respondsToSelector(sel("gestureLockView:didCanceledWithPasscode:")));
    EXPECT_EQ(controller_->lockView()->delegate().get(), static_cast<TQGestureLockViewDelegate*>(controller_.get()));

    draw({ 0 });
    EXPECT_EQ(controller_->valueForKey("failCount")->description(), "1");
    EXPECT_EQ(controller_->valueForKey("passcode")->description(), "3,4");
    EXPECT_EQ(controller_->valueForKey("label"), controller_->label());

    // The host reaches the controller only through the runtime.
    EXPECT_TRUE(objc_msgSend<bool>(controller_.get(), sel("isNeedLock")));
    EXPECT_EQ(objc_msgSend<UIView*>(controller_.get(), sel("view")), controller_->view().get());
    objc_msgSend<void>(controller_.get(), sel("registerLock"));
    EXPECT_DOUBLE_EQ(controller_->goBackgroundTime(), clock_->wallNow());

    // A cancelled touch reaches the controller as nothing.
    auto& finger = UITouchInjector::shared();
    finger.down(nodeCentre(3));
    finger.move(nodeCentre(4));
    finger.cancel();
    EXPECT_EQ(controller_->failCount(), 1);
    EXPECT_EQ(unlocks, 0);
}

TEST_F(LockControllerTests, TheModeFollowsTheFlowAndIsReadByName)
{
    using Mode = TQViewController::Mode;
    setOutside("PASS_CODE", NSString::stringWithString("0,1,2"));
    launch();
    // The name is what a reader outside the lock's code gets, as the scenario player does.
    const auto named = [this] {
        const auto value = controller_->valueForKey("mode");
        return value ? value->description() : std::string("(none)");
    };
    EXPECT_EQ(controller_->mode(), Mode::Verify);
    EXPECT_EQ(named(), "verify");
    tapReset();
    EXPECT_EQ(controller_->mode(), Mode::Reset);
    EXPECT_EQ(named(), "reset");
    for (int i = 0; i < 6; ++i)
        draw({ 6, 7 });
    EXPECT_EQ(controller_->mode(), Mode::Reset) << "the failure wait is no mode of its own";
    advance(10.5);
    draw({ 0, 1, 2 });
    EXPECT_EQ(controller_->mode(), Mode::Setting);
    EXPECT_EQ(named(), "setting");
    draw({ 2, 5, 8 });
    EXPECT_EQ(controller_->mode(), Mode::Confirm);
    EXPECT_EQ(named(), "confirm");
    draw({ 2, 5, 8 });
    EXPECT_EQ(controller_->mode(), Mode::Verify);
    EXPECT_EQ(named(), "verify");
}
