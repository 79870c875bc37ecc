// The lock screen as built: geometry on both phone sizes, the views in their order, the reset
// button's builds, the shake, and the texts with a full, an empty or no bundle.
#include "LockTestSupport.h"

#include "platform/graphics/UIColor.h"
#include "platform/graphics/UIFont.h"
#include "platform/graphics/UIImage.h"
#include "platform/ui/UIImageView.h"

#include <algorithm>
#include <vector>

using namespace lock_test;

namespace {

class LockScreenLayoutTests : public LockFixture {
protected:
    bool hasPictures() const { return fs::exists(bundleDir_ / "gesture_node_normal.png"); }
};

std::size_t buttonsIn(const UIView& view)
{
    std::size_t n = 0;
    for (const auto& child : view.subviews())
        n += std::dynamic_pointer_cast<UIButton>(child) ? 1 : 0;
    return n;
}

} // namespace

TEST_F(LockScreenLayoutTests, SmallPhoneTakesTheCompactLayout)
{
    setScreen(320, 480);
    launch();
    const auto& lockView = controller_->lockView();
    EXPECT_EQ(lockView->frame(), CGRectMake(0, 0, 320, 480));
    EXPECT_EQ(lockView->contentView()->frame(), CGRectMake(20, 130, 280, 280));
    EXPECT_EQ(controller_->label()->frame(), CGRectMake(0, 80, 320, 30));
    EXPECT_EQ(controller_->resetBtn()->frame(), CGRectMake(20, 420, 140, 30));
    auto title = controller_->resetBtn()->viewWithTag(1);
    ASSERT_TRUE(title);
    EXPECT_EQ(title->frame(), CGRectMake(0, 0, 140, 30)) << "the title fills the button";

    // Back to front: picture, pattern entry, reset button, message.
    const auto& children = controller_->view()->subviews();
    ASSERT_EQ(children.size(), 4u);
    auto background = std::dynamic_pointer_cast<UIImageView>(children[0]);
    ASSERT_TRUE(background);
    EXPECT_EQ(background->frame(), CGRectMake(0, 0, 320, 480));
    EXPECT_EQ(children[1], lockView);
    EXPECT_EQ(children[2], controller_->resetBtn());
    EXPECT_EQ(children[3], controller_->label());
    EXPECT_EQ(controller_->view()->backgroundColor(), UIColor::clearColor());
}

TEST_F(LockScreenLayoutTests, TallPhoneTakesTheTallLayout)
{
    launch();
    const auto& lockView = controller_->lockView();
    EXPECT_EQ(lockView->contentView()->frame(), CGRectMake(20, 180, 280, 288));
    EXPECT_EQ(controller_->resetBtn()->frame(), CGRectMake(20, 508, 140, 30));
    EXPECT_EQ(controller_->label()->frame(), CGRectMake(0, 80, 320, 30));

    // The style the gesture view is given, and the message's.
    EXPECT_FLOAT_EQ(lockView->lineWidth(), 12.0f);
    EXPECT_TRUE(lockView->lineColor()->isEqual(UIColor::colorWithRed(1, 0.5f, 0, 0.3f).get()));
    const auto& label = controller_->label();
    EXPECT_EQ(label->textAlignment(), NSTextAlignment::Center);
    EXPECT_EQ(label->lineBreakMode(), NSLineBreakMode::ByCharWrapping);
    EXPECT_FLOAT_EQ(label->font()->pointSize(), 20.0f);
    EXPECT_TRUE(label->textColor()->isEqual(UIColor::orangeColor().get()));
    if (hasPictures()) {
        // The bundle's node pictures fit the grid with room between them.
        EXPECT_EQ(lockView->buttonSize(), CGSizeMake(66, 66));
        EXPECT_EQ(lockView->buttons()[4]->frame(), CGRectMake(107, 111, 66, 66));
        EXPECT_TRUE(lockView->normalGestureNodeImage());
        EXPECT_TRUE(lockView->selectedGestureNodeImage());
        EXPECT_TRUE(std::dynamic_pointer_cast<UIImageView>(controller_->view()->subviews()[0])->image());
    }
}

TEST_F(LockScreenLayoutTests, TallLayoutStartsAtAnApplicationHeightOf548)
{
    auto build = [] {
        auto controller = alloc<TQViewController>();
        controller->initWithNibName(std::nullopt, nullptr);
        controller->view();
        return controller;
    };
    EXPECT_EQ(build()->lockView()->contentInsets(), UIEdgeInsetsMake(180, 20, 100, 20));
    // A status bar of 20.5 leaves 547.5 of a 568-point screen: compact.
    setScreen(320, 568, 20.5f);
    EXPECT_EQ(build()->lockView()->contentInsets(), UIEdgeInsetsMake(130, 20, 70, 20));

    // No screen at all: compact, every view built at zero size.
    UIScreen::setMainScreen(nullptr);
    auto bare = build();
    EXPECT_EQ(bare->lockView()->contentInsets(), UIEdgeInsetsMake(130, 20, 70, 20));
    EXPECT_EQ(bare->lockView()->frame(), CGRectZero);
    EXPECT_EQ(bare->label()->frame(), CGRectMake(0, 80, 0, 30));
    EXPECT_EQ(bare->view()->subviews().size(), 4u);
}

TEST_F(LockScreenLayoutTests, RebuildingTheResetButtonLeavesOneInItsFirstState)
{
    setOutside("PASS_CODE", NSString::stringWithString("0,1"));
    launch();
    tapReset();
    ASSERT_EQ(resetTitle(), "Cancel");
    auto old = controller_->resetBtn();
    controller_->createResetPasscodeBtn();
    controller_->createResetPasscodeBtn();
    EXPECT_EQ(buttonsIn(*controller_->view()), 1u);
    EXPECT_EQ(old->superview(), nullptr);
    EXPECT_EQ(resetTitle(), "Reset Passcode");
    EXPECT_FALSE(controller_->resetBtn()->isHidden());
    EXPECT_FLOAT_EQ(controller_->resetBtn()->alpha(), 1.0f);
    EXPECT_EQ(controller_->resetBtn()->actionsForTarget(controller_, UIControlEventTouchUpInside), std::vector<SEL> { sel("resetPasscode:") });
    EXPECT_EQ(controller_->view()->subviews().back(), controller_->resetBtn()) << "a new button goes on top";

    // Built before the screen exists, it still ends up alone.
    auto early = alloc<TQViewController>();
    early->initWithNibName(std::nullopt, nullptr);
    early->createResetPasscodeBtn();
    EXPECT_EQ(buttonsIn(*early->view()), 1u);
    EXPECT_EQ(early->resetBtn()->superview(), early->view());
}

TEST_F(LockScreenLayoutTests, OnlyAShakeThatRunsToItsEndBringsTheMessageHome)
{
    launch();
    const auto& label = controller_->label();
    controller_->earthquake(label.get());
    EXPECT_TRUE(label->transform() == kShakeSecond) << "the model holds where the swing goes";
    EXPECT_TRUE(label->presentationTransform() == kShakeFirst) << "the swing starts from the first offset";
    advance(0.69);
    EXPECT_FALSE(label->transform() == CGAffineTransformIdentity);
    advance(0.02);
    EXPECT_TRUE(label->transform() == CGAffineTransformIdentity);

    // A shake interrupted by another: the first one's stop changes nothing, the second's ends it.
    controller_->earthquake(label.get());
    advance(0.3);
    controller_->earthquake(label.get());
    advance(0.41);
    EXPECT_FALSE(label->transform() == CGAffineTransformIdentity);
    advance(0.3);
    EXPECT_TRUE(label->transform() == CGAffineTransformIdentity);

    // A stop that did not finish leaves the transform alone; one that finished brings the view
    // home even when no shake of it is known; a context that names no live view is never followed.
    label->setTransform(kShakeSecond);
    auto name = NSString::stringWithString("earthquake");
    auto yes = NSNumber::numberWithBool(true);
    controller_->earthquakeEnded(name.get(), NSNumber::numberWithBool(false).get(), label.get());
    EXPECT_TRUE(label->transform() == kShakeSecond);
    controller_->earthquakeEnded(name.get(), yes.get(), label.get());
    EXPECT_TRUE(label->transform() == CGAffineTransformIdentity);
    std::vector<unsigned char> notAView(4096, 0);
    controller_->earthquakeEnded(name.get(), yes.get(), notAView.data());
    EXPECT_TRUE(std::all_of(notAView.begin(), notAView.end(), [](unsigned char b) { return b == 0; }));
    controller_->earthquakeEnded(name.get(), yes.get(), nullptr);
    controller_->earthquakeEnded(name.get(), nullptr, nullptr);
    controller_->earthquake(nullptr);
}

TEST_F(LockScreenLayoutTests, MissingTranslationsShowTheKeysAndAMissingBundleShowsNothing)
{
    fs::remove_all(bundleDir_);
    writeStrings("en", "/* nothing translated */\n");
    setOutside("PASS_CODE", NSString::stringWithString("0,1"));
    launch();
    EXPECT_EQ(message(), "Slide to unlock");
    EXPECT_EQ(resetTitle(), "Reset Passcode");
    tapReset();
    EXPECT_EQ(resetTitle(), "Cancel");
    EXPECT_FALSE(controller_->lockView()->normalGestureNodeImage());
    EXPECT_EQ(controller_->lockView()->buttonSize(), CGSizeMake(60, 60));

    // Texts are looked up afresh each time: the bundle going away shows at the next message.
    fs::remove_all(bundleDir_);
    draw({ 0, 1 });
    EXPECT_TRUE(controller_->isUnsetPasscode()) << "the reset goes on without texts";
    EXPECT_EQ(message(), std::nullopt);
    EXPECT_EQ(resetTitle(), std::nullopt);
    draw({ 2, 3 });
    draw({ 2, 3 });
    EXPECT_EQ(message(), std::nullopt);
    EXPECT_EQ(storedPasscode(), "2,3");

    // A screen built without the bundle has no pictures and no texts, and nothing fails.
    auto bare = alloc<TQViewController>();
    bare->initWithNibName(std::nullopt, nullptr);
    bare->view();
    bare->viewWillAppear(false);
    EXPECT_FALSE(bare->bundle());
    EXPECT_EQ(bare->label()->text(), std::nullopt);
}

TEST_F(LockScreenLayoutTests, ChineseTextsComeFromTheTable)
{
    if (!fs::exists(bundleDir_ / "zh-Hans.lproj/lock.strings"))
        GTEST_SKIP() << "the staged bundle is not built";
    NSBundle::setPreferredLanguages({ "zh_CN.UTF-8" });
    launch();
    EXPECT_EQ(message(), "请设置手势密码");
    draw({ 0, 1 });
    EXPECT_EQ(message(), "请再次绘制手势密码");
    draw({ 1, 0 });
    EXPECT_EQ(message(), "两次绘制不一致，请重新设置");
    draw({ 0, 1 });
    draw({ 0, 1 });
    EXPECT_EQ(message(), "设置成功");
    postBackground();
    EXPECT_EQ(message(), "请绘制手势密码解锁");
    EXPECT_EQ(resetTitle(), "重设密码");
    tapReset();
    EXPECT_EQ(resetTitle(), "取消");
    EXPECT_EQ(message(), "请绘制原手势密码");
}
