#include "platform/compositor/FadedPicture.h"

#include "platform/compositor/FadeBlend.h"
#include "platform/compositor/LayerPool.h"
#include "platform/compositor/PaintRegion.h"
#include "platform/graphics/CGContext.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <utility>

using namespace compositor;

namespace {

void addRectangles(cairo_t* cr, const std::vector<PixelRect>& rects)
{
    for (const PixelRect& r : rects)
        cairo_rectangle(cr, r.x, r.y, r.width, r.height);
}

// The clip, when it is a region (whole device pixels), and the part of it where the view and its
// children may paint.
struct PaintedClip {
    std::vector<PixelRect> clip;
    std::vector<PixelRect> painted;
};

std::optional<PaintedClip> paintedClip(cairo_t* cr, const UIView& view, const CompositionPass& pass)
{
    cairo_matrix_t m;
    cairo_get_matrix(cr, &m);
    std::vector<PixelRect> paint;
    collectPaint(view, { static_cast<CGFloat>(m.xx), static_cast<CGFloat>(m.yx), static_cast<CGFloat>(m.xy), static_cast<CGFloat>(m.yy),
                           static_cast<CGFloat>(m.x0), static_cast<CGFloat>(m.y0) },
        pass.grid.scale, paint);
    cairo_save(cr);
    cairo_identity_matrix(cr);
    cairo_rectangle_list_t* clip = cairo_copy_clip_rectangle_list(cr);
    cairo_restore(cr);
    std::optional<PaintedClip> region;
    if (clip->status == CAIRO_STATUS_SUCCESS) {
        region.emplace();
        for (int i = 0; i < clip->num_rectangles; ++i) {
            const cairo_rectangle_t& r = clip->rectangles[i];
            const PixelRect c { static_cast<int>(std::floor(r.x)), static_cast<int>(std::floor(r.y)),
                static_cast<int>(std::ceil(r.x + r.width) - std::floor(r.x)), static_cast<int>(std::ceil(r.y + r.height) - std::floor(r.y)) };
            region->clip.push_back(c);
            for (const PixelRect& p : paint)
                if (const PixelRect part = c.intersected(p).intersected(pass.grid.bounds); !part.isEmpty())
                    region->painted.push_back(part);
        }
    }
    cairo_rectangle_list_destroy(clip);
    return region;
}

// Paints the source at the first alpha into a group, that group at the next, and so on: what the
// nested groups of cairo would have done.
void paintNested(cairo_t* cr, const std::vector<float>& alphas)
{
    for (std::size_t i = 0; i + 1 < alphas.size(); ++i) {
        cairo_pattern_t* source = cairo_pattern_reference(cairo_get_source(cr));
        cairo_push_group(cr);
        cairo_set_source(cr, source);
        cairo_pattern_destroy(source);
        cairo_paint_with_alpha(cr, alphas[i]);
        cairo_pop_group_to_source(cr);
    }
    cairo_paint_with_alpha(cr, alphas.back());
}

} // namespace

cairo_t* FadedPicture::open(cairo_t* cr, const UIView& view, float alpha, CompositionPass& pass)
{
    alphas_.assign(1, alpha);
    alphas_.insert(alphas_.end(), pass.alphasHandedDown.rbegin(), pass.alphasHandedDown.rend());
    pass.alphasHandedDown.clear();
    if (pass.layers)
        if (auto region = paintedClip(cr, view, pass)) {
            if (region->painted.empty())
                return nullptr;
            const PixelRect& screen = pass.grid.bounds;
            surface_ = pass.layers->acquire(pass.depth, screen.width, screen.height, region->painted);
            if (surface_) {
                region_ = std::move(region->painted);
                CairoContext context { cairo_create(surface_) };
                addRectangles(context.get(), region->clip);
                cairo_clip(context.get());
                cairo_matrix_t m;
                cairo_get_matrix(cr, &m);
                cairo_set_matrix(context.get(), &m);
                context_ = std::make_shared<CGContext>(std::move(context), pass.grid.scale, false);
                ++pass.depth;
                UIGraphicsPushContext(context_);
                return context_->cairo();
            }
        }
    cairo_push_group(cr);
    return cr;
}

bool FadedPicture::blend(cairo_t* cr) const
{
    cairo_surface_t* target = cairo_get_group_target(cr);
    if (cairo_surface_get_type(target) != CAIRO_SURFACE_TYPE_IMAGE || cairo_image_surface_get_format(target) != CAIRO_FORMAT_ARGB32)
        return false;
    std::vector<std::uint8_t> masks;
    for (float alpha : alphas_)
        masks.push_back(maskForAlpha(alpha));
    double offsetX = 0, offsetY = 0;
    cairo_surface_get_device_offset(target, &offsetX, &offsetY);
    const int dx = static_cast<int>(std::lround(offsetX)), dy = static_cast<int>(std::lround(offsetY));
    cairo_surface_flush(target);
    unsigned char* out = cairo_image_surface_get_data(target);
    const unsigned char* in = cairo_image_surface_get_data(surface_);
    const int outStride = cairo_image_surface_get_stride(target), inStride = cairo_image_surface_get_stride(surface_);
    const PixelRect targetRect { -dx, -dy, cairo_image_surface_get_width(target), cairo_image_surface_get_height(target) };
    std::vector<PixelRect> areas;
    PixelRect bounds;
    for (const PixelRect& r : region_)
        if (const PixelRect area = r.intersected(targetRect); !area.isEmpty()) {
            areas.push_back(area);
            bounds = bounds.united(area);
        }
    // The rectangles overlap; every pixel is blended once, row by row along their merged spans.
    std::vector<std::pair<int, int>> spans;
    for (int y = bounds.y; y < bounds.y + bounds.height; ++y) {
        spans.clear();
        for (const PixelRect& a : areas)
            if (y >= a.y && y < a.y + a.height)
                spans.emplace_back(a.x, a.x + a.width);
        std::sort(spans.begin(), spans.end());
        auto* row = reinterpret_cast<std::uint32_t*>(out + static_cast<std::ptrdiff_t>(y + dy) * outStride) + dx;
        const auto* from = reinterpret_cast<const std::uint32_t*>(in + static_cast<std::ptrdiff_t>(y) * inStride);
        for (std::size_t i = 0; i < spans.size();) {
            const int start = spans[i].first;
            int end = spans[i].second;
            for (++i; i < spans.size() && spans[i].first <= end; ++i)
                end = std::max(end, spans[i].second);
            blendRow(row + start, from + start, end - start, masks);
        }
    }
    if (!bounds.isEmpty())
        cairo_surface_mark_dirty_rectangle(target, bounds.x + dx, bounds.y + dy, bounds.width, bounds.height);
    return true;
}

void FadedPicture::close(cairo_t* cr, CompositionPass& pass)
{
    if (!surface_) {
        cairo_pop_group_to_source(cr);
        paintNested(cr, alphas_);
        return;
    }
    UIGraphicsPopContext();
    --pass.depth;
    context_.reset();
    cairo_surface_flush(surface_);
    // One alpha: pixman's own loop; several: one pass instead of a group per alpha.
    if (alphas_.size() > 1 && blend(cr))
        return;
    cairo_save(cr);
    cairo_identity_matrix(cr);
    addRectangles(cr, region_);
    cairo_clip(cr);
    cairo_set_source_surface(cr, surface_, 0, 0);
    paintNested(cr, alphas_);
    cairo_restore(cr);
}
