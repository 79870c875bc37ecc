#pragma once
// How the screen's frame buffer sits in a desktop window: the factor that fits it to a display,
// the window's size and place there, the picture inside a window of any size (aspect kept,
// centred, bars around it), and window positions mapped back to screen points. Plain arithmetic,
// so the window and the tests agree on every number.
#include "platform/graphics/CGGeometry.h"
#include "platform/graphics/FrameBuffer.h"

#include <optional>
#include <string_view>

// What the window manager adds around the window's inner area, in pixels.
struct WindowBorders {
    int top = 0, left = 0, bottom = 0, right = 0;
};

struct WindowSize {
    int width = 0, height = 0;
    friend bool operator==(const WindowSize&, const WindowSize&) = default;
};

class WindowFit {
public:
    static constexpr double maximumZoom = 4;

    // A frame buffer of `frame` pixels showing a screen of `points`.
    WindowFit(WindowSize frame, CGSize points);

    // A zoom factor as written on the command line: a decimal number in (0, 4] and nothing else.
    static std::optional<double> parseZoom(std::string_view text);

    // The largest factor at which the window with its borders fits the usable area; never above 1.
    double scaleToFit(const PixelRect& usable, const WindowBorders& borders) const;
    // The same without the cap: the largest zoom the area holds.
    double largestScale(const PixelRect& usable, const WindowBorders& borders) const;
    // The window's inner size at a factor, at least one pixel each way.
    WindowSize windowSize(double scale) const;
    // The window's inner rectangle, centred with its borders in the usable area. A window larger
    // than the area keeps its top-left border inside it, so the title bar stays reachable.
    static PixelRect placement(const PixelRect& usable, const WindowBorders& borders, WindowSize window);
    // Window managers differ in what a requested position means (the frame's corner, or the
    // inside's), but each keeps to its own rule: the position to ask for next, so that the
    // inside, found at `found` after asking for `asked`, lands at `wanted`.
    static PixelRect nextRequest(const PixelRect& asked, const PixelRect& found, const PixelRect& wanted);
    // Whether the window with its borders lies wholly in the area.
    static bool liesWithin(const PixelRect& window, const WindowBorders& borders, const PixelRect& area);

    // Where the picture shows in a window (or drawable) of that size: as large as fits, aspect
    // kept, centred. A mismatch of a pixel from rounding is absorbed rather than shown as a bar.
    PixelRect contentRect(WindowSize window) const;
    // A position in a window of that size as screen points; positions on the bars fall on the
    // picture's nearest edge.
    CGPoint toPoints(double x, double y, WindowSize window) const;
    // A rectangle of screen points in the coordinates of a window of that size (the way back).
    PixelRect toWindow(CGRect points, WindowSize window) const;
    // Whether a position in a window of that size lies on the picture (half-open).
    bool isOnPicture(double x, double y, WindowSize window) const;
    // The window pixels whose smoothly scaled colour depends on any of `changed` (frame pixels):
    // the rectangle mapped through the fit, a frame pixel wider each way for the filter's reach,
    // and clamped to the picture. Empty when none of it is on the frame.
    PixelRect shownArea(const PixelRect& changed, WindowSize window) const;

    WindowSize frame() const { return frame_; }

private:
    WindowSize frame_;
    CGSize points_;
};
