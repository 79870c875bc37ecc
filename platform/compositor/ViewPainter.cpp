#include "platform/compositor/ViewPainter.h"

#include "platform/compositor/FadeBlend.h"
#include "platform/compositor/LayerPool.h"
#include "platform/compositor/PaintRegion.h"
#include "platform/compositor/ViewBackingStore.h"
#include "platform/graphics/CGContext.h"
#include "platform/ui/UIView.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

using namespace compositor;

namespace {

enum class Culled { nothing, childrenOnly, everything };

// How much of the view a culling frame paints.
Culled cull(const UIView& view, CompositionPass& pass)
{
    bool paintsItself = true;
    // Placed by this frame's walk: what lies wholly outside the damage is left alone.
    if (const auto& store = view.backingStore(); store && store->shown().frame == pass.frame) {
        if (pass.grid.cover(store->shown().subtreeRect).intersected(pass.damage).isEmpty())
            return Culled::nothing;
        paintsItself = !pass.grid.cover(store->shown().screenRect).intersected(pass.damage).isEmpty();
    }
    if (pass.beforeBase) {
        const auto& ancestors = pass.base.ancestors;
        if (&view == pass.base.view)
            pass.beforeBase = false;
        else if (std::find(ancestors.begin(), ancestors.end(), &view) != ancestors.end())
            paintsItself = false;
        else
            return Culled::nothing;
    }
    return paintsItself ? Culled::everything : Culled::childrenOnly;
}

// Moves user space from the superview's bounds to the view's; false when the view cannot be placed.
bool enterView(cairo_t* cr, const UIView& view, bool asRoot)
{
    const CGRect b = view.bounds();
    if (asRoot) {
        cairo_translate(cr, -b.origin.x, -b.origin.y);
        return true;
    }
    const CGAffineTransform t = localToParent(view);
    if (!isUsable(t))
        return false;
    cairo_matrix_t m;
    cairo_matrix_init(&m, t.a, t.b, t.c, t.d, t.tx, t.ty);
    cairo_transform(cr, &m);
    return true;
}

// A picture opened for a view faded as one: a surface of the pool with its own context, or (with
// no surface) a group of cairo's own.
struct FadedPicture {
    cairo_surface_t* surface = nullptr;
    std::shared_ptr<CGContext> context;
    // Where the picture is painted: the clip, as far as the view and its children paint.
    std::vector<PixelRect> region;
    // Its alphas: its view's, then those handed down to it, innermost first.
    std::vector<float> alphas;
};

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

// Opens the picture and answers the context to paint it with; null when nothing of it would
// show. On a pooled surface it is painted as cairo would paint its own group: the same transform
// and the same clip (cairo's coverage of an edge pixel depends on the clip), over transparency
// where anything paints; it is composed only there, and the surface is not made anew for every
// frame.
cairo_t* openPicture(cairo_t* cr, const UIView& view, float alpha, CompositionPass& pass, FadedPicture& picture)
{
    picture.alphas.assign(1, alpha);
    picture.alphas.insert(picture.alphas.end(), pass.alphasHandedDown.rbegin(), pass.alphasHandedDown.rend());
    pass.alphasHandedDown.clear();
    if (pass.layers)
        if (auto region = paintedClip(cr, view, pass)) {
            if (region->painted.empty())
                return nullptr;
            const PixelRect& screen = pass.grid.bounds;
            picture.surface = pass.layers->acquire(pass.depth, screen.width, screen.height, region->painted);
            if (picture.surface) {
                picture.region = std::move(region->painted);
                CairoContext context { cairo_create(picture.surface) };
                addRectangles(context.get(), region->clip);
                cairo_clip(context.get());
                cairo_matrix_t m;
                cairo_get_matrix(cr, &m);
                cairo_set_matrix(context.get(), &m);
                picture.context = std::make_shared<CGContext>(std::move(context), pass.grid.scale, false);
                ++pass.depth;
                UIGraphicsPushContext(picture.context);
                return picture.context->cairo();
            }
        }
    cairo_push_group(cr);
    return cr;
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

// Blends the pooled picture into the target of cr inside its region, at all its alphas in one
// pass; false, having done nothing, for a target that is not a plain ARGB32 image.
bool blendPicture(cairo_t* cr, const FadedPicture& picture)
{
    cairo_surface_t* target = cairo_get_group_target(cr);
    if (cairo_surface_get_type(target) != CAIRO_SURFACE_TYPE_IMAGE || cairo_image_surface_get_format(target) != CAIRO_FORMAT_ARGB32)
        return false;
    std::vector<std::uint8_t> masks;
    for (float alpha : picture.alphas)
        masks.push_back(maskForAlpha(alpha));
    double offsetX = 0, offsetY = 0;
    cairo_surface_get_device_offset(target, &offsetX, &offsetY);
    const int dx = static_cast<int>(std::lround(offsetX)), dy = static_cast<int>(std::lround(offsetY));
    cairo_surface_flush(target);
    unsigned char* out = cairo_image_surface_get_data(target);
    const unsigned char* in = cairo_image_surface_get_data(picture.surface);
    const int outStride = cairo_image_surface_get_stride(target), inStride = cairo_image_surface_get_stride(picture.surface);
    const PixelRect targetRect { -dx, -dy, cairo_image_surface_get_width(target), cairo_image_surface_get_height(target) };
    std::vector<PixelRect> areas;
    PixelRect bounds;
    for (const PixelRect& r : picture.region)
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

// Closes the picture and paints it at its alphas, as cairo paints the groups it pops.
void closePicture(cairo_t* cr, CompositionPass& pass, FadedPicture& picture)
{
    if (!picture.surface) {
        cairo_pop_group_to_source(cr);
        paintNested(cr, picture.alphas);
        return;
    }
    UIGraphicsPopContext();
    --pass.depth;
    picture.context.reset();
    cairo_surface_flush(picture.surface);
    // One alpha: pixman's own loop; several: one pass instead of a group per alpha.
    if (picture.alphas.size() > 1 && blendPicture(cr, picture))
        return;
    cairo_save(cr);
    cairo_identity_matrix(cr);
    addRectangles(cr, picture.region);
    cairo_clip(cr);
    cairo_set_source_surface(cr, picture.surface, 0, 0);
    paintNested(cr, picture.alphas);
    cairo_restore(cr);
}

} // namespace

void ViewPainter::drawView(cairo_t* cr, const UIView& view, bool asRoot, CompositionPass& pass)
{
    if (view.isHidden())
        return;
    const float alpha = asRoot ? 1.0f : clampedAlpha(view.presentationAlpha());
    if (alpha <= 0.0f)
        return;
    const CGRect b = view.bounds();
    if (!isUsable(b))
        return;
    const Culled culled = pass.culling ? cull(view, pass) : Culled::everything;
    if (culled == Culled::nothing)
        return;
    const bool paintsItself = culled == Culled::everything;
    cairo_save(cr);
    if (!enterView(cr, view, asRoot)) {
        cairo_restore(cr);
        return;
    }
    if (view.clipsToBounds()) {
        cairo_rectangle(cr, b.origin.x, b.origin.y, b.size.width, b.size.height);
        cairo_clip(cr);
    }
    const auto& children = view.subviews();
    // Alpha below one fades the view and its children as one picture, so overlapping children
    // are not blended twice.
    const bool group = alpha < 1.0f && (paintsItself || !children.empty());
    if (group && pass.layers && handsAlphaDown(view)) {
        // Its picture would be its one faded child's picture at its alpha: that child is
        // composed at both.
        pass.alphasHandedDown.push_back(alpha);
        for (const auto& child : children)
            drawView(cr, *child, false, pass);
        pass.alphasHandedDown.clear();
        cairo_restore(cr);
        return;
    }
    FadedPicture picture;
    cairo_t* target = group ? openPicture(cr, view, alpha, pass, picture) : cr;
    if (!target) {
        cairo_restore(cr);
        return;
    }
    if (paintsItself)
        drawContent(target, view, pass);
    for (const auto& child : children)
        drawView(target, *child, false, pass);
    if (group)
        closePicture(cr, pass, picture);
    cairo_restore(cr);
}

void ViewPainter::drawContent(cairo_t* cr, const UIView& view, CompositionPass& pass)
{
    const CGRect b = view.bounds();
    if (!view.drawsContent()) {
        // The background colour and what the view is (image, text).
        cairo_save(cr);
        view.drawIntrinsicContent(b);
        cairo_restore(cr);
        return;
    }
    // A view that draws for itself: background, then its retained drawing, then what it is.
    if (const auto color = CGColorComponentsFromColor(view.backgroundColor().get()); view.backgroundColor() && color.alpha > 0) {
        cairo_save(cr);
        cairo_rectangle(cr, b.origin.x, b.origin.y, b.size.width, b.size.height);
        cairo_set_source_rgba(cr, color.red, color.green, color.blue, color.alpha);
        cairo_fill(cr);
        cairo_restore(cr);
    }
    // Screen frames bring the drawing up to date before composing (a request made while drawing
    // waits for the next frame); a window snapshot may find it out of date.
    if (!pass.culling && ViewBackingStore::of(view).redraw(view, pass.grid.scale).drew)
        pass.redrewViews = true;
    const ViewBackingStore* store = view.backingStore().get();
    // Only the tiles of the drawing that hold paint are composed: a transparent pixel composed
    // over anything leaves it as it was.
    if (store && store->surface() && !store->ink().isEmpty() && !store->inkRuns().empty()) {
        const double scale = pass.grid.scale;
        cairo_save(cr);
        cairo_translate(cr, b.origin.x, b.origin.y);
        cairo_scale(cr, 1.0 / scale, 1.0 / scale);
        cairo_set_source_surface(cr, store->surface(), 0, 0);
        // Runs outside the damage are not even handed to cairo.
        double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
        cairo_clip_extents(cr, &x0, &y0, &x1, &y1);
        const PixelRect visible = PixelRect { static_cast<int>(std::floor(x0)) - 1, static_cast<int>(std::floor(y0)) - 1,
            static_cast<int>(std::ceil(x1 - x0)) + 3, static_cast<int>(std::ceil(y1 - y0)) + 3 }
                                      .intersected(store->ink());
        for (const PixelRect& run : store->inkRuns())
            if (const PixelRect part = run.intersected(visible); !part.isEmpty())
                cairo_rectangle(cr, part.x, part.y, part.width, part.height);
        cairo_fill(cr);
        cairo_restore(cr);
    }
    cairo_save(cr);
    view.drawIntrinsicContent(b);
    cairo_restore(cr);
}
