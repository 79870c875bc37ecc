// The window's picture drawn in parts: a frame shown by drawing only the window pixels its change
// reaches must leave the window exactly as drawing all of it would, at every fit (shrunk, zoomed,
// letterboxed), the panel on top included; no stale pixel at a part's edge.
#include "platform/backends/WindowFit.h"
#include "platform/backends/WindowPainter.h"

#include <cairo.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

namespace {

constexpr WindowSize kFrame { 64, 96 };

// A frame with detail everywhere, so that a sample from the wrong place shows.
void paintDetail(FrameBuffer& frame)
{
    frame.resize(kFrame.width, kFrame.height);
    auto* pixels = reinterpret_cast<std::uint32_t*>(cairo_image_surface_get_data(frame.surface()));
    const int step = frame.stride() / 4;
    for (int y = 0; y < kFrame.height; ++y)
        for (int x = 0; x < kFrame.width; ++x)
            pixels[y * step + x] = 0xff000000u | static_cast<std::uint32_t>((x * 37 + y * 11) % 256) << 16
                | static_cast<std::uint32_t>((x * 5 + y * 29) % 256) << 8 | static_cast<std::uint32_t>((x ^ y) * 4 % 256);
    cairo_surface_mark_dirty(frame.surface());
}

void fill(FrameBuffer& frame, const PixelRect& r, double red, double green, double blue)
{
    cairo_t* cr = cairo_create(frame.surface());
    cairo_set_source_rgb(cr, red, green, blue);
    cairo_rectangle(cr, r.x, r.y, r.width, r.height);
    cairo_fill(cr);
    cairo_destroy(cr);
    cairo_surface_flush(frame.surface());
}

CairoSurface windowPixels(WindowSize size)
{
    return CairoSurface { cairo_image_surface_create(CAIRO_FORMAT_RGB24, size.width, size.height) };
}

// The first window pixel that differs by more than the filter's rounding, described; empty when
// none. A part's pixels are sampled from where they are stepped to from the part's corner, which
// may differ from the whole's in the last bit of a weight: 1/128 of the neighbours' difference.
std::string firstDifference(cairo_surface_t* a, cairo_surface_t* b)
{
    cairo_surface_flush(a);
    cairo_surface_flush(b);
    const int width = cairo_image_surface_get_width(a), height = cairo_image_surface_get_height(a);
    const int stride = cairo_image_surface_get_stride(a);
    const unsigned char* pa = cairo_image_surface_get_data(a);
    const unsigned char* pb = cairo_image_surface_get_data(b);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < 3; ++c)
                if (std::abs(pa[y * stride + x * 4 + c] - pb[y * stride + x * 4 + c]) > 3) {
                    std::ostringstream out;
                    out << "pixel " << x << "," << y << " channel " << c << ": " << int(pa[y * stride + x * 4 + c]) << " against "
                        << int(pb[y * stride + x * 4 + c]);
                    return out.str();
                }
    return {};
}

std::uint32_t pixel(cairo_surface_t* surface, int x, int y)
{
    cairo_surface_flush(surface);
    const auto* row = cairo_image_surface_get_data(surface) + y * cairo_image_surface_get_stride(surface);
    return reinterpret_cast<const std::uint32_t*>(row)[x] & 0xffffffu;
}

} // namespace

TEST(WindowPainterTests, DrawingOnlyWhatAChangeReachesLeavesTheWindowAsDrawingItAllWould)
{
    const WindowFit fit(kFrame, { 32, 48 });
    FrameBuffer panel;
    panel.resize(20, 10);
    fill(panel, { 0, 0, 20, 10 }, 0.1, 0.1, 0.1);
    // Changes in the middle, at every edge and corner, and under the panel.
    const PixelRect changes[] = { { 30, 40, 3, 2 }, { 0, 0, 1, 1 }, { 63, 95, 1, 1 }, { 0, 50, 2, 9 }, { 62, 10, 2, 30 },
        { 10, 0, 40, 1 }, { 5, 95, 50, 1 }, { 22, 43, 20, 10 } };
    // Shrunk as the fitted windows are, the size itself, zoomed, and letterboxed both ways.
    const WindowSize windows[] = { { 59, 88 }, { 26, 39 }, { 64, 96 }, { 128, 192 }, { 161, 240 }, { 90, 60 }, { 70, 200 } };
    for (const WindowSize window : windows) {
        for (const bool withPanel : { false, true }) {
            const PixelRect all { 0, 0, window.width, window.height };
            const PixelRect content = fit.contentRect(window);
            const FrameBuffer* shownPanel = withPanel ? &panel : nullptr;
            FrameBuffer frame;
            paintDetail(frame);
            const CairoSurface kept = windowPixels(window);
            WindowPainter::paint(kept.get(), all, &frame, content, shownPanel);
            for (const PixelRect& change : changes) {
                fill(frame, change, 1, 1, 1);
                WindowPainter::paint(kept.get(), fit.shownArea(change, window), &frame, content, shownPanel);
                const CairoSurface whole = windowPixels(window);
                WindowPainter::paint(whole.get(), all, &frame, content, shownPanel);
                EXPECT_EQ(firstDifference(kept.get(), whole.get()), "")
                    << window.width << "x" << window.height << (withPanel ? " with the panel" : "") << ", after a change at "
                    << change.x << "," << change.y << " " << change.width << "x" << change.height;
            }
        }
    }
}

TEST(WindowPainterTests, BarsAreBlackThePanelIsCentredUnscaledAndNoPictureShowsBlack)
{
    const WindowFit fit(kFrame, { 32, 48 });
    const WindowSize wide { 200, 96 };
    const PixelRect content = fit.contentRect(wide);
    ASSERT_EQ(content, (PixelRect { 68, 0, 64, 96 }));
    FrameBuffer frame;
    frame.resize(kFrame.width, kFrame.height);
    fill(frame, { 0, 0, kFrame.width, kFrame.height }, 1, 0, 0);
    FrameBuffer panel;
    panel.resize(10, 4);
    fill(panel, { 0, 0, 10, 4 }, 0, 0, 1);
    const CairoSurface window = windowPixels(wide);
    // Whatever was there before is drawn over.
    WindowPainter::paint(window.get(), { 0, 0, 200, 96 }, nullptr, content, nullptr);
    EXPECT_EQ(pixel(window.get(), 100, 50), 0x000000u);
    WindowPainter::paint(window.get(), { 0, 0, 200, 96 }, &frame, content, &panel);
    EXPECT_EQ(pixel(window.get(), 10, 50), 0x000000u) << "the bar";
    EXPECT_EQ(pixel(window.get(), 67, 50), 0x000000u) << "the bar's last column";
    EXPECT_EQ(pixel(window.get(), 68, 50), 0xff0000u) << "the picture's first column, no seam";
    EXPECT_EQ(pixel(window.get(), 131, 0), 0xff0000u) << "the picture's corner";
    EXPECT_EQ(pixel(window.get(), 95, 46), 0x0000ffu) << "the panel, at 68 + (64 - 10) / 2 and (96 - 4) / 2";
    EXPECT_EQ(pixel(window.get(), 104, 49), 0x0000ffu);
    EXPECT_EQ(pixel(window.get(), 105, 49), 0xff0000u);
    EXPECT_EQ(pixel(window.get(), 94, 46), 0xff0000u);
    // A picture not quite opaque shows over black, not over what the window held before.
    fill(frame, { 0, 0, kFrame.width, kFrame.height }, 1, 1, 1);
    cairo_t* cr = cairo_create(frame.surface());
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_rgba(cr, 1, 0, 0, 0.5);
    cairo_paint(cr);
    cairo_destroy(cr);
    cairo_surface_flush(frame.surface());
    WindowPainter::paint(window.get(), { 0, 0, 200, 96 }, &frame, content, nullptr);
    EXPECT_EQ(pixel(window.get(), 100, 20), 0x800000u);
    EXPECT_EQ(pixel(window.get(), 10, 20), 0x000000u);
    // Without a picture (a cover that could not be made) the panel still shows, on black.
    WindowPainter::paint(window.get(), { 0, 0, 200, 96 }, nullptr, content, &panel);
    EXPECT_EQ(pixel(window.get(), 100, 20), 0x000000u);
    EXPECT_EQ(pixel(window.get(), 100, 47), 0x0000ffu);
}
