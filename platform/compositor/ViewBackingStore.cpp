#include "platform/compositor/ViewBackingStore.h"

#include "platform/compositor/CompositorGeometry.h"
#include "platform/graphics/CGContext.h"
#include "platform/ui/UIView.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>

namespace {

// The bounding box of what is left of `ink` once `area` is repainted, rounded out to a rectangle.
PixelRect remainderOf(const PixelRect& ink, const PixelRect& area)
{
    if (ink.isEmpty() || ink.intersected(area).isEmpty())
        return ink;
    const int left = ink.x, top = ink.y, right = ink.x + ink.width, bottom = ink.y + ink.height;
    const int aLeft = area.x, aTop = area.y, aRight = area.x + area.width, aBottom = area.y + area.height;
    const bool spansWidth = aLeft <= left && aRight >= right;
    const bool spansHeight = aTop <= top && aBottom >= bottom;
    if (spansWidth && spansHeight)
        return {};
    if (spansWidth && aTop <= top)
        return { left, aBottom, right - left, bottom - aBottom };
    if (spansWidth && aBottom >= bottom)
        return { left, top, right - left, aTop - top };
    if (spansHeight && aLeft <= left)
        return { aRight, top, right - aRight, bottom - top };
    if (spansHeight && aRight >= right)
        return { left, top, aLeft - left, bottom - top };
    return ink;
}

} // namespace

bool ViewBackingStore::ensureSurface(int pixelWidth, int pixelHeight)
{
    if (surface_ && pixelWidth == pixelWidth_ && pixelHeight == pixelHeight_)
        return false;
    dropSurface();
    surface_.reset(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, pixelWidth, pixelHeight));
    pixelWidth_ = pixelWidth;
    pixelHeight_ = pixelHeight;
    tileColumns_ = (pixelWidth + kInkTile - 1) / kInkTile;
    tileRows_ = (pixelHeight + kInkTile - 1) / kInkTile;
    inkTiles_.assign(static_cast<std::size_t>(tileColumns_) * static_cast<std::size_t>(tileRows_), 0);
    return true;
}

void ViewBackingStore::dropSurface()
{
    surface_.reset();
    pixelWidth_ = pixelHeight_ = 0;
    ink_ = {};
    tileColumns_ = tileRows_ = 0;
    inkTiles_.clear();
    inkRuns_.clear();
}

CairoContext ViewBackingStore::beginRedraw(const PixelRect& area)
{
    if (!surface_)
        return nullptr;
    CairoContext context { cairo_create(surface_.get()) };
    cairo_t* cr = context.get();
    // Outside the ink the surface is transparent already.
    if (const PixelRect stale = area.intersected(ink_); !stale.isEmpty()) {
        cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
        cairo_rectangle(cr, stale.x, stale.y, stale.width, stale.height);
        cairo_fill(cr);
        cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
    }
    cairo_rectangle(cr, area.x, area.y, area.width, area.height);
    cairo_clip(cr);
    return context;
}

PixelRect ViewBackingStore::endRedraw(const PixelRect& area)
{
    if (!surface_)
        return {};
    cairo_surface_flush(surface_.get());
    const PixelRect painted = paintIn(area);
    const PixelRect before = ink_;
    ink_ = remainderOf(before, area).united(painted);
    updateInkTiles(area);
    return area.intersected(before.united(painted));
}

bool ViewBackingStore::tileHasPaint(int column, int row) const
{
    const PixelRect tile = PixelRect { column * kInkTile, row * kInkTile, kInkTile, kInkTile }.intersected({ 0, 0, pixelWidth_, pixelHeight_ });
    const unsigned char* data = cairo_image_surface_get_data(surface_.get());
    const int stride = cairo_image_surface_get_stride(surface_.get());
    for (int y = tile.y; y < tile.y + tile.height; ++y) {
        const auto* p = reinterpret_cast<const std::uint32_t*>(data + static_cast<std::ptrdiff_t>(y) * stride) + tile.x;
        if (std::any_of(p, p + tile.width, [](std::uint32_t v) { return v != 0; }))
            return true;
    }
    return false;
}

void ViewBackingStore::updateInkTiles(const PixelRect& wanted)
{
    const PixelRect area = wanted.intersected({ 0, 0, pixelWidth_, pixelHeight_ });
    if (area.isEmpty() || !cairo_image_surface_get_data(surface_.get()))
        return;
    // Pixels outside the area keep what they held, so each touched tile is looked at whole.
    const int firstColumn = area.x / kInkTile, lastColumn = (area.x + area.width - 1) / kInkTile;
    const int firstRow = area.y / kInkTile, lastRow = (area.y + area.height - 1) / kInkTile;
    for (int row = firstRow; row <= lastRow; ++row)
        for (int column = firstColumn; column <= lastColumn; ++column)
            inkTiles_[static_cast<std::size_t>(row) * static_cast<std::size_t>(tileColumns_) + static_cast<std::size_t>(column)]
                = tileHasPaint(column, row) ? 1 : 0;
    inkRuns_.clear();
    for (int row = 0; row < tileRows_; ++row) {
        const std::uint8_t* tiles = inkTiles_.data() + static_cast<std::ptrdiff_t>(row) * tileColumns_;
        for (int column = 0; column < tileColumns_;) {
            if (!tiles[column]) {
                ++column;
                continue;
            }
            const int start = column;
            while (column < tileColumns_ && tiles[column])
                ++column;
            inkRuns_.push_back(PixelRect { start * kInkTile, row * kInkTile, (column - start) * kInkTile, kInkTile }.intersected(
                { 0, 0, pixelWidth_, pixelHeight_ }));
        }
    }
}

PixelRect ViewBackingStore::paintIn(const PixelRect& wanted) const
{
    const PixelRect area = wanted.intersected({ 0, 0, pixelWidth_, pixelHeight_ });
    const unsigned char* data = cairo_image_surface_get_data(surface_.get());
    if (area.isEmpty() || !data)
        return {};
    const int stride = cairo_image_surface_get_stride(surface_.get());
    auto row = [&](int y) { return reinterpret_cast<const std::uint32_t*>(data + static_cast<std::ptrdiff_t>(y) * stride) + area.x; };
    // Premultiplied: a transparent pixel is all zero bits.
    auto rowHasPaint = [&](int y) {
        const std::uint32_t* p = row(y);
        return std::any_of(p, p + area.width, [](std::uint32_t v) { return v != 0; });
    };
    int top = area.y;
    while (top < area.y + area.height && !rowHasPaint(top))
        ++top;
    if (top == area.y + area.height)
        return {};
    int bottom = area.y + area.height - 1;
    while (!rowHasPaint(bottom))
        --bottom;
    int left = area.width, right = -1;
    for (int y = top; y <= bottom; ++y) {
        const std::uint32_t* p = row(y);
        for (int x = 0; x < left; ++x)
            if (p[x] != 0) {
                left = x;
                break;
            }
        for (int x = area.width - 1; x > right; --x)
            if (p[x] != 0) {
                right = x;
                break;
            }
    }
    return { area.x + left, top, right - left + 1, bottom - top + 1 };
}

PixelRect ViewBackingStore::askedArea(const UIView& view, float scale) const
{
    const CGRect b = view.bounds();
    const CGRect asked = CGRectIntersection(view.needsDisplayRect(), b);
    if (CGRectIsEmpty(asked))
        return {};
    const double left = std::floor((asked.origin.x - b.origin.x) * static_cast<double>(scale));
    const double top = std::floor((asked.origin.y - b.origin.y) * static_cast<double>(scale));
    const double right = std::ceil((CGRectGetMaxX(asked) - b.origin.x) * static_cast<double>(scale));
    const double bottom = std::ceil((CGRectGetMaxY(asked) - b.origin.y) * static_cast<double>(scale));
    auto clampToInt = [](double v) { return static_cast<int>(std::clamp(v, -1.0e6, 1.0e6)); };
    return PixelRect { clampToInt(left), clampToInt(top), clampToInt(right) - clampToInt(left), clampToInt(bottom) - clampToInt(top) }
        .intersected({ 0, 0, pixelWidth_, pixelHeight_ });
}

ViewBackingStore::Redraw ViewBackingStore::redraw(UIView& view, float scale)
{
    const CGRect b = view.bounds();
    const double width = std::ceil(static_cast<double>(b.size.width) * scale);
    const double height = std::ceil(static_cast<double>(b.size.height) * scale);
    if (!(width >= 1 && height >= 1 && width <= compositor::kMaxSurfaceSide && height <= compositor::kMaxSurfaceSide)) {
        dropSurface();
        return {};
    }
    const bool fresh = ensureSurface(static_cast<int>(width), static_cast<int>(height));
    if (!fresh && !view.needsDisplay())
        return {};
    const PixelRect whole { 0, 0, pixelWidth_, pixelHeight_ };
    const PixelRect area = fresh ? whole : askedArea(view, scale);
    // Cleared first, so a drawRect that asks for another redraw gets it in a later frame.
    view.clearNeedsDisplay();
    if (area.isEmpty())
        return {};
    auto context = std::make_shared<CGContext>(beginRedraw(area), scale, false);
    cairo_scale(context->cairo(), scale, scale);
    cairo_translate(context->cairo(), -b.origin.x, -b.origin.y);
    const double s = scale;
    const CGRect dirty { { b.origin.x + static_cast<CGFloat>(area.x / s), b.origin.y + static_cast<CGFloat>(area.y / s) },
        { static_cast<CGFloat>(area.width / s), static_cast<CGFloat>(area.height / s) } };
    UIGraphicsPushContext(context);
    view.drawRect(dirty);
    UIGraphicsPopContext();
    context.reset();
    const PixelRect changed = endRedraw(area);
    return { true, fresh ? whole : changed };
}
