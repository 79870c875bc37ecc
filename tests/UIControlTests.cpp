#include "platform/foundation/NSString.h"
#include "platform/graphics/UIImage.h"
#include "platform/runtime/RuntimeThunks.h"
#include "platform/ui/UIButton.h"
#include "platform/ui/UIImageView.h"
#include "platform/ui/UILabel.h"
#include "platform/ui/UITouch.h"
#include "platform/ui/UITouchInjector.h"
#include "platform/ui/UIWindow.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class ActionTarget : public NSObject {
public:
    GLYPHWARD_RUNTIME_CLASS_NAMED("UIControlTestTarget", NSObject);
    void tapped(NSObject* sender) { log.push_back(std::string("tapped:") + (sender ? sender->className() : "nil")); }
    void other() { log.push_back("other"); }
    void down(NSObject*) { log.push_back("down:"); }
    std::vector<std::string> log;
};

const ClassRegistration targetClass = ClassRegistration::of<ActionTarget>()
                                          .method("tapped:", imp_implementationWithMember<&ActionTarget::tapped>())
                                          .method("other", imp_implementationWithMember<&ActionTarget::other>())
                                          .method("down:", imp_implementationWithMember<&ActionTarget::down>());

std::shared_ptr<UIImage> solidImage(int size)
{
    return std::make_shared<UIImage>(size, size, 1.0f, std::vector<std::uint32_t>(static_cast<std::size_t>(size * size), 0xFF00FF00u));
}

class UIControlTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        window = std::make_shared<UIWindow>();
        window->initWithFrame({ { 0, 0 }, { 320, 568 } });
        button = UIButton::buttonWithType(UIButtonType::Custom);
        button->setFrame({ { 20, 508 }, { 140, 30 } });
        window->addSubview(button);
        window->makeKeyAndVisible();
        target = std::make_shared<ActionTarget>();
    }
    void tap(CGPoint down, CGPoint up)
    {
        UITouchInjector::shared().down(down);
        UITouchInjector::shared().move(up);
        UITouchInjector::shared().up();
    }
    std::shared_ptr<UIWindow> window;
    std::shared_ptr<UIButton> button;
    std::shared_ptr<ActionTarget> target;
};

} // namespace

TEST_F(UIControlTest, TouchUpInsideFiresOncePerTouchLiftedInside)
{
    button->addTarget(target, sel("tapped:"), UIControlEventTouchUpInside);
    button->addTarget(target, sel("tapped:"), UIControlEventTouchUpInside);
    button->addTarget(target, sel("down:"), UIControlEventTouchDown);

    tap({ 21, 509 }, { 159, 537 });
    EXPECT_EQ(target->log, (std::vector<std::string> { "down:", "tapped:UIButton" })) << "a pair added twice fires once";
    EXPECT_FALSE(button->isHighlighted());

    target->log.clear();
    tap({ 21, 509 }, { 160, 537 });
    EXPECT_EQ(target->log, (std::vector<std::string> { "down:" })) << "the right edge is outside";

    target->log.clear();
    UITouchInjector::shared().down({ 30, 520 });
    EXPECT_TRUE(button->isHighlighted());
    UITouchInjector::shared().cancel();
    EXPECT_EQ(target->log, (std::vector<std::string> { "down:" })) << "a cancel is no tap";

    // A repeated end report for the same touch does not fire again.
    target->log.clear();
    auto touch = std::make_shared<UITouch>();
    touch->setLocationInWindow({ 30, 520 });
    UITouchSet set({ touch });
    button->touchesBegan(set, nullptr);
    button->touchesEnded(set, nullptr);
    button->touchesEnded(set, nullptr);
    EXPECT_EQ(target->log, (std::vector<std::string> { "down:", "tapped:UIButton" }));

    target->log.clear();
    button->setEnabled(false);
    tap({ 30, 520 }, { 30, 520 });
    EXPECT_TRUE(target->log.empty()) << "a disabled control sends nothing";
}

TEST_F(UIControlTest, TargetsAreRemovedByPairAndOnlyWatched)
{
    auto second = std::make_shared<ActionTarget>();
    button->addTarget(target, sel("tapped:"), UIControlEventTouchUpInside);
    button->addTarget(target, sel("other"), UIControlEventTouchUpInside | UIControlEventTouchDown);
    button->addTarget(second, sel("tapped:"), UIControlEventTouchUpInside);
    EXPECT_EQ(button->actionsForTarget(target, UIControlEventTouchUpInside), (std::vector<SEL> { sel("tapped:"), sel("other") }));

    button->removeTarget(target, sel("tapped:"), UIControlEventTouchUpInside);
    EXPECT_EQ(button->actionsForTarget(target, UIControlEventTouchUpInside), (std::vector<SEL> { sel("other") }));
    EXPECT_EQ(button->actionsForTarget(second, UIControlEventTouchUpInside), (std::vector<SEL> { sel("tapped:") }));
    EXPECT_EQ(button->actionsForTarget(target, UIControlEventTouchDown), (std::vector<SEL> { sel("other") }));

    // Swap the action as the reset button does, then tap.
    button->removeTarget(target, nullptr, UIControlEventTouchUpInside);
    button->addTarget(target, sel("tapped:"), UIControlEventTouchUpInside);
    tap({ 30, 520 }, { 30, 520 });
    EXPECT_EQ(target->log, (std::vector<std::string> { "other", "tapped:UIButton" }));
    EXPECT_EQ(second->log, (std::vector<std::string> { "tapped:UIButton" }));

    second.reset();
    EXPECT_EQ(button->allControlEvents(), UIControlEventTouchUpInside | UIControlEventTouchDown);
    button->sendActionsForControlEvents(UIControlEventTouchUpInside);
    EXPECT_EQ(target->log.size(), 3u) << "a target that is gone is skipped";
}

TEST_F(UIControlTest, ButtonShowsTheImageOfItsStateElseTheNormalOne)
{
    auto normal = solidImage(4);
    auto selected = solidImage(6);
    EXPECT_EQ(button->currentImage(), nullptr);
    button->setImage(normal, UIControlStateNormal);
    button->setImage(selected, UIControlStateSelected);
    EXPECT_EQ(button->currentImage(), normal);
    button->setSelected(true);
    EXPECT_EQ(button->state(), UIControlStateSelected);
    EXPECT_EQ(button->currentImage(), selected);
    button->setHighlighted(true);
    EXPECT_EQ(button->currentImage(), normal) << "no image for selected and highlighted together";
    button->setHighlighted(false);

    button->setImage(nullptr, UIControlStateSelected);
    EXPECT_EQ(button->imageForState(UIControlStateSelected), nullptr);
    EXPECT_EQ(button->currentImage(), normal) << "without a selected image the normal one shows";
    button->setEnabled(false);
    EXPECT_EQ(button->state(), UIControlStateSelected | UIControlStateDisabled);
}

TEST(UILabel, TextIsReadableByKeyAndLabelsAndImagesTakeNoTouches)
{
    auto label = std::make_shared<UILabel>();
    label->initWithFrame({ { 0, 80 }, { 320, 30 } });
    EXPECT_EQ(label->valueForKey("text"), nullptr);
    label->setText("Slide to unlock");
    auto text = std::dynamic_pointer_cast<NSString>(label->valueForKey("text"));
    ASSERT_NE(text, nullptr);
    EXPECT_TRUE(text->isEqualToString("Slide to unlock"));
    label->setText(std::nullopt);
    EXPECT_FALSE(label->text().has_value());
    EXPECT_EQ(label->numberOfLines(), 1);
    EXPECT_EQ(label->textAlignment(), NSTextAlignment::Left);
    EXPECT_NE(label->textColor(), nullptr);
    EXPECT_EQ(label->hitTest({ 5, 5 }, nullptr), nullptr);

    auto image = solidImage(8);
    auto imageView = std::make_shared<UIImageView>();
    imageView->initWithImage(image);
    EXPECT_EQ(imageView->frame(), CGRectMake(0, 0, 8, 8));
    EXPECT_EQ(imageView->image(), image);
    EXPECT_FALSE(imageView->isUserInteractionEnabled());
    auto empty = std::make_shared<UIImageView>();
    empty->initWithImage(nullptr);
    EXPECT_EQ(empty->frame(), CGRectZero);
}
