#include "platform/compositor/ViewPainter.h"

#include "platform/compositor/FadedPicture.h"
#include "platform/compositor/PaintRegion.h"
#include "platform/compositor/ViewBackingStore.h"
#include "platform/compositor/ViewRecords.h"
#include "platform/graphics/CGContext.h"
#include "platform/graphics/FadeBlend.h"
#include "platform/ui/UIView.h"

#include <algorithm>
#include <cmath>
#include <vector>

using namespace compositor;

namespace {

// Composes a retained drawing's paint, whose pixels lie on the target's own (cr's user space is
// the drawing's pixels, moved by whole pixels), into an image target inside its clip: the
// drawing OVER what is there, row by row, as pixman would compose it, skipping what holds no
// paint. False, having done nothing, when cairo must do it (another operator, a clip that is not
// whole pixels, any scaling or turn).
bool composeInk(cairo_t* cr, const ViewBackingStore& store, const PixelRect& visible)
{
    if (cairo_get_operator(cr) != CAIRO_OPERATOR_OVER)
        return false;
    cairo_surface_t* target = cairo_get_group_target(cr);
    if (cairo_surface_get_type(target) != CAIRO_SURFACE_TYPE_IMAGE || cairo_image_surface_get_format(target) != CAIRO_FORMAT_ARGB32)
        return false;
    cairo_matrix_t m;
    cairo_get_matrix(cr, &m);
    if (m.xx != 1 || m.yy != 1 || m.xy != 0 || m.yx != 0 || m.x0 != std::floor(m.x0) || m.y0 != std::floor(m.y0)
        || std::abs(m.x0) > 1e6 || std::abs(m.y0) > 1e6)
        return false;
    // The clip, in device pixels, as disjoint whole-pixel rectangles.
    std::vector<PixelRect> clip;
    {
        cairo_save(cr);
        cairo_identity_matrix(cr);
        cairo_rectangle_list_t* list = cairo_copy_clip_rectangle_list(cr);
        cairo_restore(cr);
        bool whole = list->status == CAIRO_STATUS_SUCCESS;
        for (int i = 0; whole && i < list->num_rectangles; ++i) {
            const cairo_rectangle_t& r = list->rectangles[i];
            whole = r.x == std::floor(r.x) && r.y == std::floor(r.y) && r.width == std::floor(r.width) && r.height == std::floor(r.height);
            clip.push_back({ static_cast<int>(r.x), static_cast<int>(r.y), static_cast<int>(r.width), static_cast<int>(r.height) });
        }
        cairo_rectangle_list_destroy(list);
        if (!whole)
            return false;
    }
    double offsetX = 0, offsetY = 0;
    cairo_surface_get_device_offset(target, &offsetX, &offsetY);
    if (offsetX != std::floor(offsetX) || offsetY != std::floor(offsetY))
        return false;
    // From the drawing's pixels to the device's, and from the device's to the target's memory.
    const int dx = static_cast<int>(m.x0), dy = static_cast<int>(m.y0);
    const int ox = static_cast<int>(offsetX), oy = static_cast<int>(offsetY);
    const PixelRect targetRect { -ox, -oy, cairo_image_surface_get_width(target), cairo_image_surface_get_height(target) };

    cairo_surface_flush(target);
    cairo_surface_t* source = store.surface();
    cairo_surface_flush(source);
    unsigned char* out = cairo_image_surface_get_data(target);
    const unsigned char* in = cairo_image_surface_get_data(source);
    if (!out || !in)
        return false;
    const int outStride = cairo_image_surface_get_stride(target), inStride = cairo_image_surface_get_stride(source);
    PixelRect touched;
    for (const PixelRect& run : store.inkRuns()) {
        const PixelRect part = run.intersected(visible);
        if (part.isEmpty())
            continue;
        const PixelRect onDevice { part.x + dx, part.y + dy, part.width, part.height };
        for (const PixelRect& c : clip) {
            const PixelRect area = onDevice.intersected(c).intersected(targetRect);
            if (area.isEmpty())
                continue;
            touched = touched.united(area);
            blend::overRows(reinterpret_cast<std::uint32_t*>(out + static_cast<std::ptrdiff_t>(area.y + oy) * outStride) + (area.x + ox), outStride,
                reinterpret_cast<const std::uint32_t*>(in + static_cast<std::ptrdiff_t>(area.y - dy) * inStride) + (area.x - dx), inStride, area.width,
                area.height);
        }
    }
    if (!touched.isEmpty())
        cairo_surface_mark_dirty_rectangle(target, touched.x + ox, touched.y + oy, touched.width, touched.height);
    return true;
}

enum class Culled { nothing, childrenOnly, everything };

// How much of the view a culling frame paints.
Culled cull(const UIView& view, CompositionPass& pass)
{
    bool paintsItself = true;
    // Placed by this frame's walk: what lies wholly outside the damage is left alone.
    if (const ViewBackingStore* store = pass.records->find(view); store && store->shown().frame == pass.frame) {
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

} // namespace

void ViewPainter::drawView(cairo_t* cr, UIView& view, bool asRoot, CompositionPass& pass)
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
    if (group && pass.layers && handsAlphaDown(view, *pass.records)) {
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
    cairo_t* target = group ? picture.open(cr, view, alpha, pass) : cr;
    if (!target) {
        cairo_restore(cr);
        return;
    }
    if (group && picture.isKept()) {
        picture.close(cr, pass);
        cairo_restore(cr);
        return;
    }
    if (paintsItself && &view == pass.pictureBase)
        drawBase(target, view, pass);
    else if (paintsItself)
        drawContent(target, view, pass);
    for (const auto& child : children)
        drawView(target, *child, false, pass);
    if (group)
        picture.close(cr, pass);
    cairo_restore(cr);
}

void ViewPainter::drawBase(cairo_t* cr, UIView& view, CompositionPass& pass)
{
    if (pass.pictureBaseClip.empty())
        return;
    cairo_save(cr);
    cairo_matrix_t m;
    cairo_get_matrix(cr, &m);
    cairo_identity_matrix(cr);
    for (const PixelRect& r : pass.pictureBaseClip)
        cairo_rectangle(cr, r.x, r.y, r.width, r.height);
    cairo_clip(cr);
    cairo_set_matrix(cr, &m);
    drawContent(cr, view, pass);
    cairo_restore(cr);
}

void ViewPainter::drawContent(cairo_t* cr, UIView& view, CompositionPass& pass)
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
    if (!pass.culling && pass.records->of(view).redraw(view, pass.grid.scale).drew)
        pass.redrewViews = true;
    const ViewBackingStore* store = pass.records->find(view);
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
        if (!composeInk(cr, *store, visible)) {
            for (const PixelRect& run : store->inkRuns())
                if (const PixelRect part = run.intersected(visible); !part.isEmpty())
                    cairo_rectangle(cr, part.x, part.y, part.width, part.height);
            cairo_fill(cr);
        }
        cairo_restore(cr);
    }
    cairo_save(cr);
    view.drawIntrinsicContent(b);
    cairo_restore(cr);
}
