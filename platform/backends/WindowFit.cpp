#include "platform/backends/WindowFit.h"

#include <algorithm>
#include <charconv>
#include <cmath>

WindowFit::WindowFit(WindowSize frame, CGSize points)
    : frame_ { std::max(1, frame.width), std::max(1, frame.height) }
    , points_(points)
{
}

std::optional<double> WindowFit::parseZoom(std::string_view text)
{
    double value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value, std::chars_format::fixed);
    if (text.empty() || error != std::errc {} || stop != end || !std::isfinite(value))
        return std::nullopt;
    if (!(value > 0) || value > maximumZoom)
        return std::nullopt;
    return value;
}

double WindowFit::scaleToFit(const PixelRect& usable, const WindowBorders& borders) const
{
    return std::min(largestScale(usable, borders), 1.0);
}

double WindowFit::largestScale(const PixelRect& usable, const WindowBorders& borders) const
{
    const double width = usable.width - borders.left - borders.right;
    const double height = usable.height - borders.top - borders.bottom;
    const double scale = std::min(width / frame_.width, height / frame_.height);
    // An area too small for anything still gets a window of a pixel, not a negative size.
    return scale > 0 ? scale : 1.0 / std::max(frame_.width, frame_.height);
}

WindowSize WindowFit::windowSize(double scale) const
{
    const auto side = [scale](int pixels) { return std::max(1, static_cast<int>(std::lround(pixels * scale))); };
    return { side(frame_.width), side(frame_.height) };
}

PixelRect WindowFit::placement(const PixelRect& usable, const WindowBorders& borders, WindowSize window)
{
    const int outerWidth = window.width + borders.left + borders.right;
    const int outerHeight = window.height + borders.top + borders.bottom;
    const int x = usable.x + std::max(0, (usable.width - outerWidth) / 2);
    const int y = usable.y + std::max(0, (usable.height - outerHeight) / 2);
    return { x + borders.left, y + borders.top, window.width, window.height };
}

PixelRect WindowFit::nextRequest(const PixelRect& asked, const PixelRect& found, const PixelRect& wanted)
{
    return { asked.x + wanted.x - found.x, asked.y + wanted.y - found.y, wanted.width, wanted.height };
}

bool WindowFit::liesWithin(const PixelRect& window, const WindowBorders& b, const PixelRect& area)
{
    return window.x - b.left >= area.x && window.y - b.top >= area.y && window.x + window.width + b.right <= area.x + area.width
        && window.y + window.height + b.bottom <= area.y + area.height;
}

PixelRect WindowFit::contentRect(WindowSize window) const
{
    if (window.width <= 0 || window.height <= 0)
        return {};
    const double scale = std::min(static_cast<double>(window.width) / frame_.width, static_cast<double>(window.height) / frame_.height);
    int width = std::max(1, static_cast<int>(std::lround(frame_.width * scale)));
    int height = std::max(1, static_cast<int>(std::lround(frame_.height * scale)));
    if (window.width - width <= 1 && window.height - height <= 1) {
        width = window.width;
        height = window.height;
    }
    return { (window.width - width) / 2, (window.height - height) / 2, width, height };
}

CGPoint WindowFit::toPoints(double x, double y, WindowSize window) const
{
    const PixelRect content = contentRect(window);
    if (content.isEmpty())
        return {};
    const double u = std::clamp((x - content.x) / content.width, 0.0, 1.0);
    const double v = std::clamp((y - content.y) / content.height, 0.0, 1.0);
    return { static_cast<CGFloat>(u * points_.width), static_cast<CGFloat>(v * points_.height) };
}

PixelRect WindowFit::toWindow(CGRect points, WindowSize window) const
{
    const PixelRect content = contentRect(window);
    if (content.isEmpty() || !(points_.width > 0) || !(points_.height > 0))
        return {};
    const double sx = content.width / static_cast<double>(points_.width);
    const double sy = content.height / static_cast<double>(points_.height);
    const auto x = static_cast<int>(std::floor(content.x + points.origin.x * sx));
    const auto y = static_cast<int>(std::floor(content.y + points.origin.y * sy));
    const auto right = static_cast<int>(std::ceil(content.x + (points.origin.x + points.size.width) * sx));
    const auto bottom = static_cast<int>(std::ceil(content.y + (points.origin.y + points.size.height) * sy));
    return { x, y, right - x, bottom - y };
}

bool WindowFit::isOnPicture(double x, double y, WindowSize window) const
{
    const PixelRect c = contentRect(window);
    return c.x <= x && x < c.x + c.width && c.y <= y && y < c.y + c.height;
}

PixelRect WindowFit::shownArea(const PixelRect& changed, WindowSize window) const
{
    const PixelRect content = contentRect(window);
    const PixelRect onFrame = changed.intersected({ 0, 0, frame_.width, frame_.height });
    if (content.isEmpty() || onFrame.isEmpty())
        return {};
    // A window pixel is the blend of the two frame pixels either side of where its centre falls,
    // so a changed frame pixel reaches no further than its neighbours' extent, whatever the scale.
    const double sx = static_cast<double>(content.width) / frame_.width;
    const double sy = static_cast<double>(content.height) / frame_.height;
    const auto x = static_cast<int>(std::floor((onFrame.x - 1) * sx));
    const auto y = static_cast<int>(std::floor((onFrame.y - 1) * sy));
    const auto right = static_cast<int>(std::ceil((onFrame.x + onFrame.width + 1) * sx));
    const auto bottom = static_cast<int>(std::ceil((onFrame.y + onFrame.height + 1) * sy));
    return PixelRect { content.x + x, content.y + y, right - x, bottom - y }.intersected(content);
}
