// The desktop window's arithmetic: fitting the frame buffer to a display, placing the window, the
// letterboxed picture after a resize, and window positions back to screen points.
#include "platform/backends/WindowFit.h"

#include <gtest/gtest.h>

namespace {

const WindowBorders titleBar { 32, 4, 4, 4 };
const WindowFit small { { 640, 1136 }, { 320, 568 } };   // 320x568@2
const WindowFit large { { 1170, 2532 }, { 390, 844 } };  // 390x844@3

bool inside(const PixelRect& window, const WindowBorders& b, const PixelRect& area)
{
    return window.x - b.left >= area.x && window.y - b.top >= area.y && window.x + window.width + b.right <= area.x + area.width
        && window.y + window.height + b.bottom <= area.y + area.height;
}

} // namespace

TEST(WindowFitTests, FitsEachScreenOnCommonDisplaysAndNeverScalesUp)
{
    const PixelRect fullHd { 0, 0, 1920, 1080 };
    const PixelRect laptop { 0, 0, 1366, 768 };
    struct Case {
        const WindowFit& fit;
        PixelRect area;
        WindowSize expected;
    };
    for (const Case& c : { Case { small, fullHd, { 588, 1044 } }, Case { large, fullHd, { 482, 1044 } },
             Case { small, laptop, { 412, 732 } }, Case { large, laptop, { 338, 732 } } }) {
        const WindowSize size = c.fit.windowSize(c.fit.scaleToFit(c.area, titleBar));
        EXPECT_EQ(size, c.expected);
        EXPECT_TRUE(inside(WindowFit::placement(c.area, titleBar, size), titleBar, c.area));
        EXPECT_EQ(c.fit.contentRect(size), (PixelRect { 0, 0, size.width, size.height })) << "no bars at the fitted size";
    }
    EXPECT_EQ(small.scaleToFit({ 0, 0, 3840, 2160 }, titleBar), 1.0);
    EXPECT_GT(small.windowSize(small.scaleToFit({ 0, 0, 10, 10 }, titleBar)).width, 0) << "a display too small still gets a window";
}

TEST(WindowFitTests, PlacementCentresOnTheDisplayAndKeepsTheTitleBarReachable)
{
    // A second display to the right, with a panel along its top.
    const PixelRect usable { 1920, 40, 1366, 728 };
    EXPECT_EQ(WindowFit::placement(usable, titleBar, { 410, 600 }), (PixelRect { 1920 + 474 + 4, 40 + 46 + 32, 410, 600 }));
    // Forced taller than the display: pinned to its top rather than pushed off above it.
    EXPECT_EQ(WindowFit::placement(usable, titleBar, small.windowSize(2)), (PixelRect { 1920 + 39 + 4, 40 + 32, 1280, 2272 }));
}

TEST(WindowFitTests, AResizedWindowLetterboxesAndMapsPositionsBackToPoints)
{
    const WindowSize wide { 1000, 568 };
    EXPECT_EQ(small.contentRect(wide), (PixelRect { 340, 0, 320, 568 }));
    EXPECT_EQ(small.toPoints(500, 284, wide), CGPointMake(160, 284));
    EXPECT_EQ(small.toPoints(340, 0, wide), CGPointMake(0, 0));
    EXPECT_EQ(small.toPoints(10, 600, wide), CGPointMake(0, 568)) << "the bars fall on the nearest edge";
    EXPECT_FALSE(small.isOnPicture(339, 10, wide));
    EXPECT_TRUE(small.isOnPicture(340, 10, wide));
    EXPECT_FALSE(small.isOnPicture(660, 10, wide)) << "half-open, like the hit test";
    EXPECT_EQ(small.toWindow(CGRectMake(8, 528, 304, 32), wide), (PixelRect { 348, 528, 304, 32 }));

    const WindowSize tall { 300, 900 };
    EXPECT_EQ(large.contentRect(tall), (PixelRect { 0, 125, 300, 649 }));
    const CGPoint p = large.toPoints(150, 125 + 649 / 2.0, tall);
    EXPECT_NEAR(p.x, 195, 0.01);
    EXPECT_NEAR(p.y, 422, 0.01);
}

TEST(WindowFitTests, ZoomIsADecimalAboveZeroUpToFour)
{
    EXPECT_EQ(WindowFit::parseZoom("0.5"), 0.5);
    EXPECT_EQ(WindowFit::parseZoom("4"), 4.0);
    EXPECT_EQ(WindowFit::parseZoom("1.25"), 1.25);
    for (const char* bad : { "", "0", "-1", "4.01", "abc", "1.5x", " 1", "nan", "inf", "1e0", "0x1" })
        EXPECT_FALSE(WindowFit::parseZoom(bad)) << bad;
    EXPECT_EQ(small.windowSize(0.5), (WindowSize { 320, 568 }));
}

TEST(WindowFitTests, AZoomLargerThanTheDisplayHoldsIsBroughtDownToTheLargestThatFits)
{
    const PixelRect uhd { 0, 0, 3840, 2160 };
    // 640x1136 at 3 is 1920x3408: far taller than 2160 less the title bar.
    const double largest = small.largestScale(uhd, titleBar);
    EXPECT_LT(largest, 3.0);
    EXPECT_GT(largest, 1.0) << "unlike the fit, the largest zoom may enlarge";
    const WindowSize size = small.windowSize(largest);
    EXPECT_EQ(size.height, 2160 - 36);
    EXPECT_TRUE(WindowFit::liesWithin(WindowFit::placement(uhd, titleBar, size), titleBar, uhd));
    EXPECT_FALSE(WindowFit::liesWithin(WindowFit::placement(uhd, titleBar, small.windowSize(3)), titleBar, uhd));
    EXPECT_EQ(small.scaleToFit(uhd, titleBar), 1.0);
}

TEST(WindowFitTests, TheNextRequestCorrectsForWhatTheWindowManagerMadeOfTheLastOne)
{
    // A window manager that puts its frame's corner where the inside was asked for moves the
    // inside down by its title bar: the next request asks that much higher.
    const PixelRect wanted { 660, 23, 595, 1055 };
    const PixelRect asked = wanted;
    const PixelRect found { 660, 23 + 21, 595, 1055 };
    EXPECT_EQ(WindowFit::nextRequest(asked, found, wanted), (PixelRect { 660, 2, 595, 1055 }));
    // One that honours the request exactly needs nothing more.
    EXPECT_EQ(WindowFit::nextRequest(asked, wanted, wanted), wanted);
    // The whole window, borders included, must lie in the area: an inside that fits does not suffice.
    const PixelRect area { 0, 0, 1920, 1080 };
    EXPECT_TRUE(WindowFit::liesWithin({ 4, 32, 1912, 1044 }, titleBar, area));
    EXPECT_FALSE(WindowFit::liesWithin({ 4, 31, 1912, 1044 }, titleBar, area));
    EXPECT_FALSE(WindowFit::liesWithin({ 4, 33, 1912, 1044 }, titleBar, area));
}

TEST(WindowFitTests, AChangeReachesTheWindowPixelsItsFramePixelsAndTheirNeighboursScaleTo)
{
    const WindowSize exact { 640, 1136 };
    EXPECT_EQ(small.shownArea({ 10, 20, 30, 40 }, exact), (PixelRect { 9, 19, 32, 42 }));
    // Clamped to the picture at its edges; only the part on the frame counts.
    EXPECT_EQ(small.shownArea({ 0, 0, 5, 5 }, exact), (PixelRect { 0, 0, 6, 6 }));
    EXPECT_EQ(small.shownArea({ 635, 1130, 10, 10 }, exact), (PixelRect { 634, 1129, 6, 7 }));
    EXPECT_TRUE(small.shownArea({ 700, 0, 10, 10 }, exact).isEmpty());
    EXPECT_TRUE(small.shownArea({}, exact).isEmpty());
    EXPECT_TRUE(small.shownArea({ 0, 0, 640, 1136 }, {}).isEmpty()) << "no window, nothing to draw";
    // Letterboxed at half the size: offset by the bar, never on it.
    const WindowSize wide { 1000, 568 };
    EXPECT_EQ(small.shownArea({ 100, 100, 10, 10 }, wide), (PixelRect { 389, 49, 7, 7 }));
    EXPECT_EQ(small.shownArea({ 0, 0, 640, 1136 }, wide), small.contentRect(wide));
    // Zoomed up, a frame pixel's neighbours cover several window pixels each.
    EXPECT_EQ(small.shownArea({ 10, 10, 1, 1 }, { 1280, 2272 }), (PixelRect { 18, 18, 6, 6 }));
    // The fitted large screen, shrunk to about 0.41: a one-pixel change still reaches a window pixel.
    const WindowSize fitted { 482, 1044 };
    const PixelRect one = large.shownArea({ 585, 1266, 1, 1 }, fitted);
    EXPECT_FALSE(one.isEmpty());
    EXPECT_LE(one.width, 3);
    EXPECT_LE(one.height, 3);
}
