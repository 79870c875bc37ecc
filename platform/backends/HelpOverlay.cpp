#include "platform/backends/HelpOverlay.h"

#include "platform/foundation/DeviceRoot.h"
#include "platform/foundation/NSBundle.h"
#include "platform/graphics/CGContext.h"
#include "platform/graphics/CairoHandles.h"
#include "platform/graphics/PangoText.h"
#include "platform/graphics/UIFont.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>

namespace {

// The panel's measures at its natural size, in pixels; every one is multiplied by the scale.
constexpr CGFloat margin = 16;
constexpr CGFloat gap = 18;
constexpr CGFloat lineHeight = 24;
constexpr CGFloat textSize = 15;
constexpr CGFloat titleSize = 17;
// Room left between the panel and the window's edges, as a share of the window.
constexpr double border = 0.06;
constexpr double largestScale = 4.0;

} // namespace

std::string HelpOverlay::localized(const std::string& english)
{
    // The window's texts travel with the lock's, in the same bundle, so one language choice
    // (LANG or --lang) covers both.
    const std::string bundlePath = DeviceRoot::resolve("/Library/Application Support/WeChat");
    const auto bundle = NSBundle::bundleWithPath(bundlePath);
    return bundle ? bundle->localizedStringForKey(english, "", "help") : english;
}

HelpOverlay HelpOverlay::keys()
{
    static const Rows english {
        { "F9 or Ctrl+B", "send the host to the background (as minimising)" },
        { "F10 or Ctrl+F", "bring it back (as restoring the window)" },
        { "F1 or ?", "show or hide these keys" },
        { "Enter", "Return in a text field: sends a message" },
        { "Backspace", "delete the last character" },
        { "Esc", "put the keyboard away" },
        { "Mouse, finger", "the touch; closing the window quits" },
        { "1 to 9", "on the lock: the node, row by row (top row or keypad)" },
        { "Enter or Space", "on the lock: lift the finger" },
        { "Backspace or Esc", "on the lock: drop the pattern" },
    };
    Rows rows;
    for (const auto& [key, text] : english)
        rows.emplace_back(localized(key), localized(text));
    return HelpOverlay(localized("Keys"), std::move(rows));
}

HelpOverlay HelpOverlay::background()
{
    return HelpOverlay("", { { localized("In the background"), localized("F10 or restoring the window brings it back") } });
}

std::unique_ptr<FrameBuffer> HelpOverlay::renderToFit(int width, int height) const
{
    const auto natural = render(1.0);
    if (!natural || width <= 0 || height <= 0)
        return nullptr;
    const double scale = std::min({ largestScale, width * (1 - 2 * border) / natural->width(), height * (1 - 2 * border) / natural->height() });
    if (!(scale * natural->width() >= 1 && scale * natural->height() >= 1))
        return nullptr;
    return render(scale);
}

std::unique_ptr<FrameBuffer> HelpOverlay::render(double scale) const
{
    const auto s = static_cast<CGFloat>(scale);
    const auto font = UIFont::systemFontOfSize(textSize * s);
    const auto bold = UIFont::systemFontOfSize(titleSize * s);
    CGFloat keyWidth = 0, textWidth = 0;
    for (const auto& [key, text] : rows_) {
        keyWidth = std::max(keyWidth, PangoText::measure(key, font.get()).width);
        textWidth = std::max(textWidth, PangoText::measure(text, font.get()).width);
    }
    // A pixel to spare, so rounding never truncates the longest line.
    const CGFloat width = std::ceil(margin * s * 2 + std::max(keyWidth + gap * s + textWidth, PangoText::measure(title_, bold.get()).width) + 1);
    const CGFloat height = std::ceil(s * (margin * 2 + lineHeight * static_cast<CGFloat>(rows_.size() + (title_.empty() ? 0 : 1))));
    auto panel = std::make_unique<FrameBuffer>();
    if (!panel->resize(static_cast<int>(width), static_cast<int>(height)) || !panel->surface())
        return nullptr;

    {
        const CairoContext context { cairo_create(panel->surface()) };
        cairo_t* cr = context.get();
        // Opaque, so the window can draw it without blending.
        cairo_set_source_rgb(cr, 0.12, 0.12, 0.14);
        cairo_paint(cr);
        cairo_set_source_rgb(cr, 0.45, 0.45, 0.5);
        cairo_set_line_width(cr, std::max(1.0, scale));
        cairo_rectangle(cr, 0.5, 0.5, width - 1, height - 1);
        cairo_stroke(cr);
        const CGColorComponents white { 1, 1, 1, 1 };
        const CGColorComponents amber { 1, 0.7, 0.3, 1 };
        const CGFloat left = margin * s;
        const CGFloat line = lineHeight * s;
        CGFloat y = margin * s;
        if (!title_.empty()) {
            PangoText::draw(cr, title_, bold.get(), white, CGRectMake(left, y, width - left * 2, line), {});
            y += line;
        }
        for (const auto& [key, text] : rows_) {
            PangoText::draw(cr, key, font.get(), amber, CGRectMake(left, y, keyWidth, line), {});
            PangoText::draw(cr, text, font.get(), white, CGRectMake(left + keyWidth + gap * s, y, width - left * 2 - keyWidth - gap * s, line), {});
            y += line;
        }
    }
    cairo_surface_flush(panel->surface());
    return panel;
}
