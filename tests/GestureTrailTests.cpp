#include "GestureTestSupport.h"

#include "platform/graphics/Renderer.h"
#include "platform/graphics/UIColor.h"
#include "platform/graphics/UIImage.h"
#include "platform/ui/UIScreen.h"
#include "platform/ui/UITouchInjector.h"
#include "platform/ui/UIWindow.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace gesture_test;

namespace {

constexpr std::uint32_t kRed = 0xFFFF0000u;
// Black at 0.3, premultiplied, painted once over transparency.
bool isTrail(std::uint32_t px) { return (px & 0x00FFFFFFu) == 0 && std::abs(static_cast<int>(px >> 24) - 77) <= 2; }

// A lock view over a 320 × 480 window at scale 1, with the lock screen's insets: the content view
// is (20, 130, 280, 280), so node i's centre is (50 + 110·column, 160 + 110·row) in window points.
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
    void TearDown() override
    {
        UITouchInjector::shared().reset();
        UIWindow::resetWindowList();
        Renderer::shared().reset();
        UIScreen::setMainScreen(nullptr);
    }
    // Nodes that let the trail show through, so joins at node centres can be seen.
    void useClearNodes()
    {
        view->setNormalGestureNodeImage(TQGestureLockView::imageWithColor(UIColor::clearColor(), CGSizeMake(60, 60)));
        view->setSelectedGestureNodeImage(TQGestureLockView::imageWithColor(UIColor::clearColor(), CGSizeMake(60, 60)));
    }
    CGPoint node(int i) const { return view->buttons()[static_cast<std::size_t>(i)]->center(); }
    std::shared_ptr<UIImage> shot() { return Renderer::snapshotWindow(*window); }
    // No pixel is translucent: nothing but opaque node squares over transparency.
    static bool noTrail(const UIImage& image)
    {
        for (auto px : image.pixels())
            if ((px >> 24) != 0 && (px >> 24) != 255)
                return false;
        return true;
    }

    std::shared_ptr<UIWindow> window = alloc<UIWindow>();
    std::shared_ptr<TQGestureLockView> view = alloc<TQGestureLockView>();
};

} // namespace

TEST_F(GestureTrail, RunsThroughNodeCentresUnderTheNodesToAButtEnd)
{
    down(*view, node(0));
    move(*view, node(1));
    move(*view, CGPointMake(200, 40));
    auto image = shot();
    ASSERT_NE(image, nullptr);
    EXPECT_TRUE(isTrail(image->pixelAt(100, 160)));  // between nodes 0 and 1
    EXPECT_TRUE(isTrail(image->pixelAt(100, 153)));  // inside the 16-point width
    EXPECT_EQ(image->pixelAt(100, 150), 0u);          // outside it
    EXPECT_EQ(image->pixelAt(160, 160), kRed);        // the selected node covers the trail
    EXPECT_TRUE(isTrail(image->pixelAt(215, 169)));  // the loose end towards (220, 170)
    EXPECT_EQ(image->pixelAt(225, 171), 0u);          // butt: nothing past the finger
}

TEST_F(GestureTrail, JoinsAreRoundAndOverlapsArePaintedOnce)
{
    useClearNodes();
    down(*view, node(0));
    move(*view, node(1));
    move(*view, node(4));
    view->setTrackedLocationInContentView(CGPointMake(-1, 250)); // no loose end at all
    auto image = shot();
    EXPECT_TRUE(isTrail(image->pixelAt(160, 160)));  // the corner itself
    EXPECT_TRUE(isTrail(image->pixelAt(158, 162)));  // where both segments meet: not darker
    EXPECT_TRUE(isTrail(image->pixelAt(164, 155)));  // inside the round join, outside a bevel
    EXPECT_EQ(image->pixelAt(167, 152), 0u);          // the square corner a miter would fill
    EXPECT_EQ(image->pixelAt(160, 282), 0u);          // no segment past node 4
    EXPECT_EQ(image->pixelAt(89, 325), 0u);           // nor towards (-1, 250)

    // The finger doubles back over the first segment: one even shade, never darker.
    up(*view);
    down(*view, node(0));
    move(*view, node(1));
    move(*view, CGPointMake(40, 30));
    image = shot();
    EXPECT_TRUE(isTrail(image->pixelAt(100, 160)));
    EXPECT_TRUE(isTrail(image->pixelAt(100, 166)));
}

TEST_F(GestureTrail, NothingIsPaintedWithoutASelection)
{
    move(*view, CGPointMake(85, 85)); // searching: a location, no node
    auto image = shot();
    ASSERT_NE(image, nullptr);
    EXPECT_TRUE(noTrail(*image));
    EXPECT_EQ(image->pixelAt(50, 160), 0xFF00FF00u);

    down(*view, node(0));
    move(*view, node(2));
    EXPECT_FALSE(noTrail(*shot()));
    up(*view);
    EXPECT_TRUE(noTrail(*shot()));
}

TEST_F(GestureTrail, TouchesThroughTheWindowReachTheViewPastItsNodes)
{
    auto recorder = std::make_shared<Recorder>("GestureTestAllCallbacks");
    view->setDelegate(recorder);
    window->makeKeyAndVisible();
    auto& finger = UITouchInjector::shared();
    finger.down(CGPointMake(50, 160));
    finger.move(CGPointMake(160, 160));
    finger.move(CGPointMake(160, 500)); // off the screen
    finger.up();
    EXPECT_EQ(recorder->events, (std::vector<std::string> { "begin:0", "end:0,1" }));
}
