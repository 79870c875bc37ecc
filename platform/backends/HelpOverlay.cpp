#include "platform/backends/HelpOverlay.h"

#include "platform/graphics/CGContext.h"
#include "platform/graphics/CairoHandles.h"
#include "platform/graphics/PangoText.h"
#include "platform/graphics/UIFont.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>

namespace {

constexpr CGFloat margin = 16;
constexpr CGFloat gap = 18;
constexpr CGFloat lineHeight = 24;

} // namespace

const HelpOverlay::Rows& HelpOverlay::keys()
{
    static const Rows rows {
        { "F9 or Ctrl+B", "send the host to the background (as minimising)" },
        { "F10 or Ctrl+F", "bring it back (as restoring the window)" },
        { "F1 or ?", "show or hide these keys" },
        { "Enter", "Return in a text field: sends a message" },
        { "Backspace", "delete the last character" },
        { "Esc", "put the keyboard away" },
        { "Mouse, finger", "the touch; closing the window quits" },
    };
    return rows;
}

std::unique_ptr<FrameBuffer> HelpOverlay::render(const std::string& title, const Rows& rows)
{
    const auto font = UIFont::systemFontOfSize(15);
    const auto bold = UIFont::systemFontOfSize(17);
    CGFloat keyWidth = 0, textWidth = 0;
    for (const auto& [key, text] : rows) {
        keyWidth = std::max(keyWidth, PangoText::measure(key, font.get()).width);
        textWidth = std::max(textWidth, PangoText::measure(text, font.get()).width);
    }
    // A pixel to spare, so rounding never truncates the longest line.
    const CGFloat width = std::ceil(margin * 2 + std::max(keyWidth + gap + textWidth, PangoText::measure(title, bold.get()).width) + 1);
    const CGFloat height = std::ceil(margin * 2 + lineHeight * static_cast<CGFloat>(rows.size() + (title.empty() ? 0 : 1)));
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
        cairo_set_line_width(cr, 1);
        cairo_rectangle(cr, 0.5, 0.5, width - 1, height - 1);
        cairo_stroke(cr);
        const CGColorComponents white { 1, 1, 1, 1 };
        const CGColorComponents amber { 1, 0.7, 0.3, 1 };
        CGFloat y = margin;
        if (!title.empty()) {
            PangoText::draw(cr, title, bold.get(), white, CGRectMake(margin, y, width - margin * 2, lineHeight), {});
            y += lineHeight;
        }
        for (const auto& [key, text] : rows) {
            PangoText::draw(cr, key, font.get(), amber, CGRectMake(margin, y, keyWidth, lineHeight), {});
            PangoText::draw(cr, text, font.get(), white, CGRectMake(margin + keyWidth + gap, y, width - margin * 2 - keyWidth - gap, lineHeight), {});
            y += lineHeight;
        }
    }
    cairo_surface_flush(panel->surface());
    return panel;
}
