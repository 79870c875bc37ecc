#include "platform/backends/WindowPainter.h"

#include <cairo.h>

#include <algorithm>

namespace {

bool hasPixels(const FrameBuffer* buffer) { return buffer && buffer->surface() && buffer->width() > 0 && buffer->height() > 0; }

} // namespace

void WindowPainter::paint(cairo_surface_t* target, const PixelRect& area, const FrameBuffer* picture, const PixelRect& content,
    const FrameBuffer* panel)
{
    if (!target || area.isEmpty() || cairo_surface_status(target) != CAIRO_STATUS_SUCCESS)
        return;
    const CairoContext context { cairo_create(target) };
    cairo_t* cr = context.get();
    cairo_rectangle(cr, area.x, area.y, area.width, area.height);
    cairo_clip(cr);
    const PixelRect shown = area.intersected(content);
    // Pixels without alpha take the picture's premultiplied colour as it is, which is the picture
    // over black: the ground is then laid only where the picture is not, the bars.
    const bool opaqueTarget = cairo_image_surface_get_format(target) == CAIRO_FORMAT_RGB24 && hasPixels(picture);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_rgb(cr, 0, 0, 0);
    if (opaqueTarget && !shown.isEmpty()) {
        cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
        cairo_rectangle(cr, area.x, area.y, area.width, area.height);
        cairo_rectangle(cr, shown.x, shown.y, shown.width, shown.height);
        cairo_fill(cr);
    } else {
        // The ground: the bars, and what shows through wherever the picture is not opaque.
        cairo_paint(cr);
        cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
    }
    if (shown.isEmpty())
        return;
    cairo_rectangle(cr, shown.x, shown.y, shown.width, shown.height);
    cairo_clip(cr);
    if (hasPixels(picture)) {
        // Every window pixel takes its colour from the same place in the frame however much of
        // the window is drawn: the pattern maps the whole picture, the clip picks the part.
        cairo_pattern_t* source = cairo_pattern_create_for_surface(picture->surface());
        cairo_matrix_t toFrame;
        cairo_matrix_init_scale(&toFrame, static_cast<double>(picture->width()) / content.width,
            static_cast<double>(picture->height()) / content.height);
        cairo_matrix_translate(&toFrame, -content.x, -content.y);
        cairo_pattern_set_matrix(source, &toFrame);
        cairo_pattern_set_filter(source, CAIRO_FILTER_BILINEAR);
        // The picture's edge pixels stand for what lies past them: no dark seam against the bars.
        cairo_pattern_set_extend(source, CAIRO_EXTEND_PAD);
        cairo_set_source(cr, source);
        cairo_pattern_destroy(source);
        cairo_paint(cr);
    }
    if (!hasPixels(panel))
        return;
    // Unscaled, centred on the picture, so the text stays sharp; cut to the picture when larger.
    const int width = std::min(panel->width(), content.width);
    const int height = std::min(panel->height(), content.height);
    const int x = content.x + (content.width - width) / 2;
    const int y = content.y + (content.height - height) / 2;
    cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
    cairo_set_source_surface(cr, panel->surface(), x, y);
    cairo_rectangle(cr, x, y, width, height);
    cairo_fill(cr);
}
