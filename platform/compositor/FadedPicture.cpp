#include "platform/compositor/FadedPicture.h"

#include "platform/graphics/FadeBlend.h"
#include "platform/compositor/LayerPool.h"
#include "platform/compositor/PaintRegion.h"
#include "platform/compositor/ViewBackingStore.h"
#include "platform/compositor/ViewRecords.h"
#include "platform/graphics/CGContext.h"
#include "platform/graphics/UIImage.h"
#include "platform/ui/UIImageView.h"

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
        pass.grid.scale, *pass.records, paint);
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

CGAffineTransform fromCairo(const cairo_matrix_t& m)
{
    return { static_cast<CGFloat>(m.xx), static_cast<CGFloat>(m.yx), static_cast<CGFloat>(m.xy), static_cast<CGFloat>(m.yy), static_cast<CGFloat>(m.x0),
        static_cast<CGFloat>(m.y0) };
}

cairo_matrix_t childMatrix(const UIView& child, const cairo_matrix_t& parent)
{
    const CGAffineTransform t = localToParent(child);
    cairo_matrix_t local, result;
    cairo_matrix_init(&local, t.a, t.b, t.c, t.d, t.tx, t.ty);
    cairo_matrix_multiply(&result, &local, &parent);
    return result;
}

// The spans of a row that the rectangles cover, merged, left to right.
void spansOfRow(const std::vector<PixelRect>& rects, int y, std::vector<std::pair<int, int>>& spans)
{
    std::vector<std::pair<int, int>> raw;
    for (const PixelRect& r : rects)
        if (y >= r.y && y < r.y + r.height)
            raw.emplace_back(r.x, r.x + r.width);
    std::sort(raw.begin(), raw.end());
    spans.clear();
    for (const auto& span : raw) {
        if (!spans.empty() && span.first <= spans.back().second)
            spans.back().second = std::max(spans.back().second, span.second);
        else
            spans.push_back(span);
    }
}

} // namespace

bool FadedPicture::unchanged(const UIView& view, const CompositionPass& pass) const
{
    if (pass.picturesStale)
        return false;
    const ViewBackingStore* store = pass.records->find(view);
    if (!store)
        return false;
    const PixelRect changed = store->contentDamage(pass.frame);
    return std::none_of(region_.begin(), region_.end(), [&](const PixelRect& r) { return !r.intersected(changed).isEmpty(); });
}

bool FadedPicture::findBase(cairo_t* cr, const UIView& view, const std::vector<PixelRect>& clip, const CompositionPass& pass)
{
    cairo_surface_t* target = cairo_get_group_target(cr);
    if (cairo_surface_get_type(target) != CAIRO_SURFACE_TYPE_IMAGE || cairo_image_surface_get_format(target) != CAIRO_FORMAT_ARGB32)
        return false;
    cairo_matrix_t m;
    cairo_get_matrix(cr, &m);
    const auto& children = view.subviews();
    std::size_t index = 0;
    std::vector<PixelRect> paint;
    for (; index < children.size(); ++index)
        if (shows(*children[index])) {
            collectPaint(*children[index], fromCairo(childMatrix(*children[index], m)), pass.grid.scale, *pass.records, paint);
            if (!paint.empty())
                break;
        }
    // The first child that paints: a picture shown whole, with nothing of its own over it.
    const auto* picture = index < children.size() ? dynamic_cast<const UIImageView*>(children[index].get()) : nullptr;
    if (!picture || !picture->subviews().empty() || clampedAlpha(picture->presentationAlpha()) < 1.0f)
        return false;
    base_ = ImageSurfaceCache::opaqueCopy(childMatrix(*picture, m), picture->image(), picture->bounds());
    if (!base_)
        return false;
    // The base is copied over whole pixels; the view's own content lies under it, what follows
    // it over it. All of it must lie inside the base.
    std::vector<PixelRect> under, over;
    collectOwnPaint(view, fromCairo(m), pass.grid.scale, *pass.records, under);
    for (std::size_t i = index + 1; i < children.size(); ++i)
        if (shows(*children[i]))
            collectPaint(*children[i], fromCairo(childMatrix(*children[i], m)), pass.grid.scale, *pass.records, over);
    std::vector<PixelRect> region;
    for (const PixelRect& c : clip) {
        const PixelRect visible = c.intersected(pass.grid.bounds);
        for (const auto* rects : { &under, &over })
            for (const PixelRect& p : *rects)
                if (const PixelRect part = visible.intersected(p); !part.isEmpty() && !(part.intersected(base_->placed) == part)) {
                    base_.reset();
                    painted_.clear();
                    return false;
                }
        if (const PixelRect part = visible.intersected(base_->placed); !part.isEmpty())
            region.push_back(part);
        for (const PixelRect& p : over)
            if (const PixelRect part = visible.intersected(p); !part.isEmpty())
                painted_.push_back(part);
    }
    region_ = std::move(region);
    baseView_ = picture;
    return true;
}

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
            region_ = std::move(region->painted);
            if (!findBase(cr, view, region->clip, pass))
                painted_ = region_;
            cairo_matrix_t m;
            cairo_get_matrix(cr, &m);
            LayerPool::Key key { &view, region->clip, { m.xx, m.yx, m.xy, m.yy, m.x0, m.y0 }, painted_, baseView_,
                base_ ? base_->placed : PixelRect {} };
            const LayerPool::Picture kept = pass.layers->acquire(std::move(key), screen.width, screen.height, unchanged(view, pass));
            surface_ = kept.surface;
            if (surface_ && kept.current) {
                kept_ = true;
                return cr;
            }
            if (surface_) {
                if (base_) {
                    outerBase_ = pass.pictureBase;
                    outerBaseClip_ = std::move(pass.pictureBaseClip);
                    pass.pictureBase = baseView_;
                    pass.pictureBaseClip = painted_;
                }
                CairoContext context { cairo_create(surface_) };
                addRectangles(context.get(), region->clip);
                cairo_clip(context.get());
                cairo_set_matrix(context.get(), &m);
                context_ = std::make_shared<CGContext>(std::move(context), pass.grid.scale, false);
                ++pass.depth;
                UIGraphicsPushContext(context_);
                return context_->cairo();
            }
        }
    base_.reset();
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
        masks.push_back(blend::maskForAlpha(alpha));
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
    // The rectangles overlap; every pixel is blended once, row by row along their merged spans,
    // from the picture where it was painted and from its opaque base elsewhere.
    std::vector<std::pair<int, int>> spans, paintedSpans;
    const unsigned char* base = base_ ? cairo_image_surface_get_data(base_->pixels) : nullptr;
    const int baseStride = base_ ? cairo_image_surface_get_stride(base_->pixels) : 0;
    for (int y = bounds.y; y < bounds.y + bounds.height; ++y) {
        spansOfRow(areas, y, spans);
        spansOfRow(painted_, y, paintedSpans);
        auto* row = reinterpret_cast<std::uint32_t*>(out + static_cast<std::ptrdiff_t>(y + dy) * outStride) + dx;
        const auto* from = reinterpret_cast<const std::uint32_t*>(in + static_cast<std::ptrdiff_t>(y) * inStride);
        const auto* baseRow = base ? reinterpret_cast<const std::uint32_t*>(base + static_cast<std::ptrdiff_t>(y - base_->placed.y) * baseStride) : nullptr;
        // The base's pixels from x on (the region lies inside the base).
        auto fromBase = [&](int x) { return baseRow + (x - base_->placed.x); };
        for (const auto& [start, end] : spans) {
            if (!baseRow) {
                blend::blendRow(row + start, from + start, end - start, masks);
                continue;
            }
            int x = start;
            for (const auto& [paintedStart, paintedEnd] : paintedSpans) {
                const int a = std::max(paintedStart, start), b = std::min(paintedEnd, end);
                if (a >= b)
                    continue;
                if (x < a)
                    blend::blendOpaqueRow(row + x, fromBase(x), a - x, masks);
                blend::blendRow(row + a, from + a, b - a, masks);
                x = b;
            }
            if (x < end)
                blend::blendOpaqueRow(row + x, fromBase(x), end - x, masks);
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
    if (!kept_) {
        UIGraphicsPopContext();
        --pass.depth;
        context_.reset();
        cairo_surface_flush(surface_);
        if (base_) {
            pass.pictureBase = outerBase_;
            pass.pictureBaseClip = std::move(outerBaseClip_);
        }
    }
    // One alpha over a whole picture: pixman's own loop; otherwise one pass instead of a group per
    // alpha, and the base's pixels where the picture holds nothing but them.
    if ((alphas_.size() > 1 || base_) && blend(cr))
        return;
    cairo_save(cr);
    cairo_identity_matrix(cr);
    addRectangles(cr, region_);
    cairo_clip(cr);
    cairo_set_source_surface(cr, surface_, 0, 0);
    paintNested(cr, alphas_);
    cairo_restore(cr);
}
