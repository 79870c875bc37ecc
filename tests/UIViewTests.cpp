#include "platform/foundation/NSNumber.h"
#include "platform/ui/UIView.h"
#include "platform/ui/UIWindow.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

template <class T = UIView> std::shared_ptr<T> makeView(CGRect frame)
{
    auto view = std::make_shared<T>();
    view->initWithFrame(frame);
    return view;
}

// Counts layout passes and sizes its one child to half its own width when laid out.
class CountingView : public UIView {
public:
    void layoutSubviews() override
    {
        ++passes;
        if (!subviews().empty())
            subviews().front()->setFrame({ {}, { bounds().size.width / 2, 10 } });
    }
    int passes = 0;
};

void expectNear(CGPoint actual, CGPoint expected)
{
    EXPECT_NEAR(actual.x, expected.x, 1e-4);
    EXPECT_NEAR(actual.y, expected.y, 1e-4);
}

} // namespace

TEST(UIView, FrameIsKeptAsSetAndDrivesBoundsAndCentre)
{
    auto view = makeView({ { 10.3f, 20.7f }, { 100.1f, 50.9f } });
    EXPECT_EQ(view->frame(), CGRectMake(10.3f, 20.7f, 100.1f, 50.9f));
    EXPECT_EQ(view->bounds(), CGRectMake(0, 0, 100.1f, 50.9f));

    view->setBounds({ { 5, 5 }, { 100.1f, 50.9f } });
    view->setFrame({ { 0, 0 }, { 40, 30 } });
    EXPECT_EQ(view->bounds(), CGRectMake(5, 5, 40, 30)) << "the bounds keep their origin";
    EXPECT_EQ(view->center(), CGPointMake(20, 15));

    view->setCenter({ 100, 100 });
    EXPECT_EQ(view->frame(), CGRectMake(80, 85, 40, 30));

    view->setTransform(CGAffineTransformMakeScale(2, 2));
    EXPECT_EQ(view->frame(), CGRectMake(80, 85, 40, 30)) << "a transform leaves the frame alone";
    EXPECT_EQ(view->center(), CGPointMake(100, 100));
}

TEST(UIView, ConversionWalksTheTreeWithBoundsOffsetsAndTransforms)
{
    auto window = makeView<UIWindow>({ { 0, 0 }, { 320, 568 } });
    auto outer = makeView({ { 20.5f, 130.25f }, { 280, 280 } });
    auto inner = makeView({ { 7.1f, 3.3f }, { 60, 60 } });
    auto other = makeView({ { 200, 10 }, { 50, 50 } });
    window->addSubview(outer);
    outer->addSubview(inner);
    window->addSubview(other);
    outer->setBounds({ { 10, 20 }, { 280, 280 } });

    // Without transforms every step is exactly p + frame.origin - bounds.origin.
    CGPoint p { 1.7f, 2.9f };
    CGPoint inWindow = inner->convertPointToView(p, nullptr);
    EXPECT_EQ(inWindow.x, ((p.x + 7.1f - 0.0f) + 20.5f) - 10.0f);
    EXPECT_EQ(inWindow.y, ((p.y + 3.3f - 0.0f) + 130.25f) - 20.0f);
    EXPECT_EQ(inner->convertPointToView(p, window.get()), inWindow);
    expectNear(inner->convertPointFromView(inWindow, nullptr), p);
    expectNear(inner->convertPointToView({ 0, 0 }, other.get()), { 7.1f + 20.5f - 10 - 200, 3.3f + 130.25f - 20 - 10 });
    EXPECT_EQ(inner->convertRectToView({ { 0, 0 }, { 60, 60 } }, nullptr).size, CGSizeMake(60, 60));

    // A scale turns about the centre: the view's top-left corner moves out by half its size.
    auto scaled = makeView({ { 100, 100 }, { 50, 50 } });
    window->addSubview(scaled);
    scaled->setTransform(CGAffineTransformMakeScale(2, 2));
    expectNear(scaled->convertPointToView({ 0, 0 }, nullptr), { 75, 75 });
    expectNear(scaled->convertPointFromView({ 75, 75 }, nullptr), { 0, 0 });
    CGRect box = scaled->convertRectToView(scaled->bounds(), nullptr);
    expectNear(box.origin, { 75, 75 });
    EXPECT_NEAR(box.size.width, 100, 1e-4);

    // A translation as the shake uses it: 2 right, 2 up.
    scaled->setTransform(CGAffineTransformTranslate(CGAffineTransformIdentity, 2, -2));
    expectNear(scaled->convertPointToView({ 10, 10 }, nullptr), { 112, 108 });
    expectNear(scaled->convertPointFromView({ 112, 108 }, nullptr), { 10, 10 });
}

TEST(UIView, LayoutRunsBeforeFirstDisplayAndAfterSizeChangesOnly)
{
    auto view = makeView<CountingView>({ { 0, 0 }, { 200, 100 } });
    auto child = makeView<CountingView>({ { 0, 0 }, { 10, 10 } });
    view->addSubview(child);
    EXPECT_TRUE(view->needsLayout());

    view->layoutIfNeeded();
    EXPECT_EQ(view->passes, 1);
    EXPECT_EQ(child->passes, 1) << "children are laid out in the same pass";
    EXPECT_EQ(child->frame().size.width, 100);
    view->layoutIfNeeded();
    EXPECT_EQ(view->passes, 1);

    view->setFrame({ { 50, 50 }, { 200, 100 } });
    view->setCenter({ 10, 10 });
    view->layoutIfNeeded();
    EXPECT_EQ(view->passes, 1) << "moving is not resizing";

    view->setFrame({ { 0, 0 }, { 300, 100 } });
    view->layoutIfNeeded();
    EXPECT_EQ(view->passes, 2);
    EXPECT_EQ(child->passes, 2) << "the child's new size brings its own pass";
    EXPECT_EQ(child->frame().size.width, 150);

    view->setBounds({ { 0, 0 }, { 300, 120 } });
    EXPECT_TRUE(view->needsLayout());
}

// A pass from the top skips settled branches, so it must still find a request made deep in
// the tree, one carried in by a subtree added later, and one made while the pass is running.
TEST(UIView, LayoutFromTheTopReachesEveryViewThatAskedAndOnlyThose)
{
    auto top = makeView<CountingView>({ { 0, 0 }, { 200, 100 } });
    auto middle = makeView<CountingView>({ { 0, 0 }, { 10, 10 } });
    auto leaf = makeView<CountingView>({ { 0, 0 }, { 10, 10 } });
    auto sibling = makeView<CountingView>({ { 0, 0 }, { 10, 10 } });
    top->addSubview(middle);
    middle->addSubview(leaf);
    top->addSubview(sibling);
    top->layoutIfNeeded();
    ASSERT_EQ(leaf->passes, 1);
    ASSERT_EQ(sibling->passes, 1);

    leaf->setNeedsLayout();
    top->layoutIfNeeded();
    EXPECT_EQ(leaf->passes, 2);
    EXPECT_EQ(middle->passes, 1) << "the path down is walked, not laid out";
    EXPECT_EQ(sibling->passes, 1);

    // A subtree built apart, with its own pending layout, joins a settled tree.
    auto branch = makeView<CountingView>({ { 0, 0 }, { 40, 40 } });
    auto twig = makeView<CountingView>({ { 0, 0 }, { 10, 10 } });
    branch->addSubview(twig);
    leaf->addSubview(branch);
    top->layoutIfNeeded();
    EXPECT_EQ(branch->passes, 1);
    EXPECT_EQ(twig->passes, 1);
    EXPECT_EQ(twig->frame().size.width, 20) << "sized by the branch's own pass";

    // Laying out the middle resizes the leaf, whose pass then runs in the same walk.
    middle->setNeedsLayout();
    middle->setFrame({ { 0, 0 }, { 60, 10 } });
    top->layoutIfNeeded();
    EXPECT_EQ(leaf->frame().size.width, 30);
    EXPECT_EQ(leaf->passes, 3);
    top->layoutIfNeeded();
    EXPECT_EQ(leaf->passes, 3);
    EXPECT_EQ(top->passes, 1);
}

TEST(UIView, DisplayRequestIsAFlagTheRendererClears)
{
    auto view = makeView({ { 0, 0 }, { 10, 10 } });
    EXPECT_TRUE(view->needsDisplay()) << "a new view is drawn once";
    view->clearNeedsDisplay();
    EXPECT_FALSE(view->needsDisplay());
    view->setNeedsDisplay();
    view->setNeedsDisplay();
    EXPECT_TRUE(view->needsDisplay());
    view->clearNeedsDisplay();
    view->setAlpha(0.5f);
    EXPECT_FALSE(view->needsDisplay()) << "alpha is composed, not redrawn";
}

TEST(UIView, HitTestingSkipsHiddenFadedAndInertSubtreesAndIsHalfOpen)
{
    auto root = makeView({ { 0, 0 }, { 100, 100 } });
    auto back = makeView({ { 0, 0 }, { 50, 50 } });
    auto front = makeView({ { 25, 25 }, { 50, 50 } });
    auto grandchild = makeView({ { 0, 0 }, { 10, 10 } });
    root->addSubview(back);
    root->addSubview(front);
    front->addSubview(grandchild);

    EXPECT_EQ(root->hitTest({ 30, 30 }, nullptr), grandchild) << "front to back, deepest first";
    EXPECT_EQ(root->hitTest({ 40, 40 }, nullptr), front);
    EXPECT_EQ(root->hitTest({ 10, 10 }, nullptr), back);
    EXPECT_EQ(root->hitTest({ 0, 0 }, nullptr), back) << "left and top edges belong to the view";
    EXPECT_EQ(root->hitTest({ 99.9f, 5 }, nullptr), root);
    EXPECT_EQ(root->hitTest({ 100, 5 }, nullptr), nullptr) << "right edge does not";
    EXPECT_EQ(root->hitTest({ 5, 100 }, nullptr), nullptr) << "bottom edge does not";

    front->setAlpha(0.0099f);
    EXPECT_EQ(root->hitTest({ 30, 30 }, nullptr), back);
    front->setAlpha(NAN);
    EXPECT_EQ(root->hitTest({ 30, 30 }, nullptr), back) << "an alpha that is not a number shows nothing and takes nothing";
    front->setAlpha(0.01f);
    EXPECT_EQ(root->hitTest({ 30, 30 }, nullptr), grandchild);

    front->setHidden(true);
    EXPECT_EQ(root->hitTest({ 30, 30 }, nullptr), back);
    EXPECT_EQ(root->hitTest({ 60, 60 }, nullptr), root);
    front->setHidden(false);

    front->setUserInteractionEnabled(false);
    EXPECT_EQ(root->hitTest({ 30, 30 }, nullptr), back) << "the whole subtree is skipped";
    front->setUserInteractionEnabled(true);

    // A child outside its parent's bounds is not reached through the parent.
    grandchild->setFrame({ { 60, 0 }, { 10, 10 } });
    EXPECT_EQ(root->hitTest({ 90, 30 }, nullptr), root);

    root->bringSubviewToFront(back);
    EXPECT_EQ(root->hitTest({ 30, 30 }, nullptr), back);
}

TEST(UIView, TreeKeepsOrderTagsAndWeakParents)
{
    auto root = makeView({ { 0, 0 }, { 10, 10 } });
    auto a = makeView({});
    auto a1 = makeView({});
    auto b = makeView({});
    root->addSubview(a);
    root->addSubview(b);
    a->addSubview(a1);
    a1->setTag(7);
    b->setTag(7);
    EXPECT_EQ(root->viewWithTag(7), a1) << "depth first, in child order";
    root->setTag(7);
    EXPECT_EQ(root->viewWithTag(7), root) << "the view itself comes first";
    EXPECT_EQ(root->viewWithTag(99), nullptr);

    root->addSubview(a);
    ASSERT_EQ(root->subviews().size(), 2u);
    EXPECT_EQ(root->subviews().back(), a) << "adding again moves to the front";

    a->addSubview(root);
    a1->addSubview(a);
    EXPECT_EQ(root->superview(), nullptr) << "no cycles";
    EXPECT_EQ(a->superview(), root);

    b->addSubview(a1);
    EXPECT_EQ(a1->superview(), b);
    EXPECT_TRUE(a->subviews().empty()) << "a view has one parent";

    std::weak_ptr<UIView> watched = b;
    b.reset();
    root.reset();
    a.reset();
    EXPECT_TRUE(watched.expired());
    EXPECT_EQ(a1->superview(), nullptr) << "the parent reads as none once it is gone";
    a1->removeFromSuperview();
}

TEST(UIView, ArchiveAndKeyValueReads)
{
    NSCoder coder;
    coder.encode("frame", CGRectMake(1, 2, 3, 4));
    coder.encode("tag", 5.0);
    coder.encode("alpha", 0.5);
    coder.encode("hidden", 1.0);
    coder.encode("userInteractionEnabled", std::string("not a number"));
    auto view = std::make_shared<UIView>();
    view->initWithCoder(coder);
    EXPECT_EQ(view->frame(), CGRectMake(1, 2, 3, 4));
    EXPECT_EQ(view->bounds(), CGRectMake(0, 0, 3, 4));
    EXPECT_EQ(view->tag(), 5);
    EXPECT_FALSE(view->isUserInteractionEnabled()) << "a value of the wrong type reads as 0";

    auto tag = std::dynamic_pointer_cast<NSNumber>(view->valueForKey("tag"));
    auto alpha = std::dynamic_pointer_cast<NSNumber>(view->valueForKey("alpha"));
    auto hidden = std::dynamic_pointer_cast<NSNumber>(view->valueForKey("hidden"));
    ASSERT_TRUE(tag && alpha && hidden);
    EXPECT_EQ(tag->integerValue(), 5);
    EXPECT_DOUBLE_EQ(alpha->doubleValue(), 0.5);
    EXPECT_TRUE(hidden->boolValue());
    EXPECT_EQ(view->valueForKey("nothing"), nullptr);

    auto empty = std::make_shared<UIView>();
    empty->initWithCoder(NSCoder());
    EXPECT_EQ(empty->frame(), CGRectZero);
    EXPECT_EQ(empty->alpha(), 1.0f);
}
