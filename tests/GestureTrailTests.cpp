#include "GestureTestSupport.h"

#include "platform/compositor/Renderer.h"
#include "platform/graphics/UIColor.h"
#include "platform/graphics/UIImage.h"
#include "platform/ui/UIScreen.h"
#include "platform/ui/UITouchInjector.h"
#include "platform/ui/UIWindow.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

using namespace gesture_test;

namespace {
// Black at 0.3, premultiplied, painted once over transparency.
bool isTrail(std::uint32_t px) { return (px & 0x00FFFFFFu) == 0 && (px >> 24) >= 75 && (px >> 24) <= 79; }
// Nothing translucent: only opaque node squares over transparency.
bool noTrail(const UIImage& image)
{
    return std::all_of(image.pixels().begin(), image.pixels().end(), [](auto px) { return (px >> 24) == 0 || (px >> 24) == 255; });
}

// A 320 × 480 window at scale 1 with the lock screen's insets: node i's centre is at
// (50 + 110·column, 160 + 110·row) in window points.
class GestureTrail : public ::testing::Test {
protected:
    void SetUp() override
    {
        UIScreen::setMainScreen(std::make_shared<UIScreen>(CGSizeMake(320, 480), 1.0f));
        window->initWithFrame(CGRectMake(0, 0, 320, 480));
        view->initWithFrame(window->bounds());
        view->setContentInsets(UIEdgeInsetsMake(130, 20, 70, 20));
        window->addSubview(view);
        window->layoutIfNeeded();
    }
    CGPoint node(int i) const { return view->buttons()[static_cast<std::size_t>(i)]->center(); }
    std::shared_ptr<UIImage> shot() { return Renderer::snapshotWindow(*window); }

    std::shared_ptr<UIWindow> window = alloc<UIWindow>();
    std::shared_ptr<TQGestureLockView> view = alloc<TQGestureLockView>();
};
} // namespace

TEST_F(GestureTrail, RunsThroughNodeCentresUnderTheNodesToAButtEndOnlyWhileDrawing)
{
    move(*view, CGPointMake(85, 85)); // searching: a location, no node
    EXPECT_TRUE(noTrail(*shot()));
    down(*view, node(0));
    move(*view, node(1));
    move(*view, CGPointMake(200, 40));
    auto image = shot();
    EXPECT_TRUE(isTrail(image->pixelAt(100, 160)));  // between nodes 0 and 1
    EXPECT_TRUE(isTrail(image->pixelAt(100, 153)));  // inside the 16-point width
    EXPECT_EQ(image->pixelAt(100, 150), 0u);          // outside it
    EXPECT_EQ(image->pixelAt(160, 160), 0xFFFF0000u); // the selected node covers the trail
    EXPECT_TRUE(isTrail(image->pixelAt(215, 169)));  // towards the finger at (220, 170)
    EXPECT_EQ(image->pixelAt(225, 171), 0u);          // butt: nothing past it
    up(*view);
    EXPECT_TRUE(noTrail(*shot()));
}

TEST_F(GestureTrail, JoinsAreRoundAndOverlapsArePaintedOnce)
{
    // Clear node images let the trail show at the node centres.
    view->setNormalGestureNodeImage(TQGestureLockView::imageWithColor(UIColor::clearColor(), CGSizeMake(60, 60)));
    view->setSelectedGestureNodeImage(TQGestureLockView::imageWithColor(UIColor::clearColor(), CGSizeMake(60, 60)));
    for (int i : { 0, 1, 4 })
        move(*view, node(i));
    view->setTrackedLocationInContentView(CGPointMake(-1, 250)); // no loose end
    auto image = shot();
    EXPECT_TRUE(isTrail(image->pixelAt(158, 162))); // where both segments meet: not darker
    EXPECT_TRUE(isTrail(image->pixelAt(164, 155))); // inside the round join, outside a bevel
    EXPECT_EQ(image->pixelAt(167, 152), 0u);         // the corner a miter would fill
    EXPECT_EQ(image->pixelAt(89, 325), 0u);          // nothing towards (-1, 250)

    up(*view);
    for (int i : { 0, 1 })
        move(*view, node(i));
    move(*view, CGPointMake(40, 30)); // back over the first segment
    image = shot();
    EXPECT_TRUE(isTrail(image->pixelAt(100, 160)));
    EXPECT_TRUE(isTrail(image->pixelAt(100, 166)));
}

TEST_F(GestureTrail, TouchesThroughTheWindowReachTheViewPastItsNodes)
{
    auto recorder = std::make_shared<Recorder>();
    view->setDelegate(recorder);
    window->makeKeyAndVisible();
    auto& finger = UITouchInjector::shared();
    finger.down(CGPointMake(50, 160));
    finger.move(CGPointMake(160, 160));
    finger.move(CGPointMake(160, 500)); // off the screen
    finger.up();
    EXPECT_EQ(recorder->events, (std::vector<std::string> { "begin:0", "end:0,1" }));
}

TEST(GestureTrailDamage, CoversBothLooseEndsAndAJoinedSegmentOrAsksForAWholeRedraw)
{
    TQGestureTrail::Inputs was;
    was.count = 1;
    was.tracked = CGPointMake(10, 0);
    TQGestureTrail::Inputs is = was;
    is.count = 2;
    is.tracked = CGPointMake(120, 10);
    const TQGestureTrail before(was, CGPointMake(50, 50), CGPointMake(60, 50));
    const TQGestureTrail now(is, CGPointMake(160, 50), CGPointMake(170, 60));
    // Half the width and one point beyond every segment end.
    EXPECT_EQ(TQGestureTrail::damage(before, now, 16), CGRectMake(41, 41, 138, 28));
    EXPECT_EQ(TQGestureTrail::damage(before, now, INFINITY), std::nullopt);

    EXPECT_TRUE(before.covers(was));
    ++was.changes;
    EXPECT_FALSE(before.covers(was));
    EXPECT_FALSE(TQGestureTrail().covers(TQGestureTrail::Inputs {}));
}
