#include "platform/graphics/ImageSurfaceCache.h"

#include "platform/graphics/CGContext.h"
#include "platform/graphics/CairoHandles.h"
#include "platform/graphics/FadeBlend.h"
#include "platform/graphics/FrameBuffer.h"
#include "platform/graphics/GraphicsState.h"
#include "platform/graphics/UIImage.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <optional>
#include <unordered_map>
#include <vector>

namespace {

// Resampled copies beyond this many pixels a side are not made.
constexpr double kMaxScaledSide = 16384.0;

ImageSurfaces& cache() { return GraphicsState::current().imageSurfaces(); }

} // namespace

cairo_surface_t* ImageSurfaceCache::surfaceFor(const std::shared_ptr<const UIImage>& image)
{
    if (!image || image->pixelWidth() <= 0 || image->pixelHeight() <= 0)
        return nullptr;
    auto& entries = cache().entries;
    auto found = entries.find(image.get());
    if (found != entries.end()) {
        if (found->second.image.lock() == image)
            return found->second.surface.get();
        entries.erase(found);
    }
    cache().prune();
    const int stride = image->pixelWidth() * 4;
    if (cairo_format_stride_for_width(CAIRO_FORMAT_ARGB32, image->pixelWidth()) != stride)
        return nullptr;
    // Cairo only reads these pixels: images are immutable once made. An opaque picture is handed
    // over as such, which lets pixman copy it where it would otherwise blend.
    auto* data = reinterpret_cast<unsigned char*>(const_cast<std::uint32_t*>(image->pixels().data()));
    const cairo_format_t format = image->isOpaque() ? CAIRO_FORMAT_RGB24 : CAIRO_FORMAT_ARGB32;
    CairoSurface surface { cairo_image_surface_create_for_data(data, format, image->pixelWidth(), image->pixelHeight(), stride) };
    if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS)
        return nullptr;
    ImageSurfaces::Entry& entry = entries[image.get()];
    entry.image = image;
    entry.surface = std::move(surface);
    return entry.surface.get();
}

namespace {

// Scales the image into the rectangle of the current user space, as pixman resamples it.
void paintScaled(cairo_t* cr, cairo_surface_t* surface, const UIImage& image, CGRect rect)
{
    cairo_save(cr);
    cairo_rectangle(cr, rect.origin.x, rect.origin.y, rect.size.width, rect.size.height);
    cairo_clip(cr);
    cairo_translate(cr, rect.origin.x, rect.origin.y);
    cairo_scale(cr, rect.size.width / image.pixelWidth(), rect.size.height / image.pixelHeight());
    cairo_set_source_surface(cr, surface, 0, 0);
    // Padding keeps the edges opaque when the picture is scaled, instead of fading them into nothing.
    cairo_pattern_set_extend(cairo_get_source(cr), CAIRO_EXTEND_PAD);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_GOOD);
    cairo_paint(cr);
    cairo_restore(cr);
}

// The image at exactly width × height pixels: the image itself, or a copy resampled once and
// kept (one size per image), so that a frame copies pixels instead of resampling them.
cairo_surface_t* surfaceAtSize(const std::shared_ptr<const UIImage>& image, cairo_surface_t* original, int width, int height)
{
    if (width == image->pixelWidth() && height == image->pixelHeight())
        return original;
    ImageSurfaces::Entry& entry = cache().entries[image.get()];
    if (entry.scaled && entry.scaledWidth == width && entry.scaledHeight == height)
        return entry.scaled.get();
    entry.scaled.reset();
    entry.scaled.reset(cairo_image_surface_create(image->isOpaque() ? CAIRO_FORMAT_RGB24 : CAIRO_FORMAT_ARGB32, width, height));
    entry.scaledWidth = width;
    entry.scaledHeight = height;
    {
        const CairoContext cr { cairo_create(entry.scaled.get()) };
        cairo_set_operator(cr.get(), CAIRO_OPERATOR_SOURCE);
        paintScaled(cr.get(), original, *image, { { 0, 0 }, { static_cast<CGFloat>(width), static_cast<CGFloat>(height) } });
    }
    cairo_surface_flush(entry.scaled.get());
    // x8r8g8b8 leaves the top byte to chance; an opaque copy holds 0xff there, so that its rows
    // can be copied as they are.
    if (image->isOpaque()) {
        unsigned char* data = cairo_image_surface_get_data(entry.scaled.get());
        const int stride = cairo_image_surface_get_stride(entry.scaled.get());
        for (int y = 0; y < height; ++y) {
            auto* row = reinterpret_cast<std::uint32_t*>(data + static_cast<std::ptrdiff_t>(y) * stride);
            for (int x = 0; x < width; ++x)
                row[x] |= 0xff000000u;
        }
        cairo_surface_mark_dirty(entry.scaled.get());
    }
    return entry.scaled.get();
}

bool nearWhole(double v) { return std::abs(v - std::round(v)) < 1e-3; }

// Where a picture placed at (left, top) of the target's device space lands inside the clip, in
// the target's pixels, and where its pixel (0, 0) lies there. None where that cannot be said in
// whole pixels: a target that is not a plain ARGB32 image, another operator than OVER, or a clip
// that is not whole rectangles.
struct PlacedAreas {
    int left = 0, top = 0;
    std::vector<PixelRect> areas;
    // Whether every rectangle of the clip was whole pixels, so that nothing was rounded.
    bool whole = true;
};

std::optional<PlacedAreas> placedAreas(cairo_t* cr, cairo_surface_t* picture, int left, int top)
{
    cairo_surface_t* target = cairo_get_group_target(cr);
    if (cairo_surface_get_type(target) != CAIRO_SURFACE_TYPE_IMAGE || cairo_image_surface_get_format(target) != CAIRO_FORMAT_ARGB32
        || cairo_get_operator(cr) != CAIRO_OPERATOR_OVER)
        return std::nullopt;
    // The clip comes back in user space: with the identity matrix that is device space.
    cairo_save(cr);
    cairo_identity_matrix(cr);
    cairo_rectangle_list_t* clip = cairo_copy_clip_rectangle_list(cr);
    cairo_restore(cr);
    if (clip->status != CAIRO_STATUS_SUCCESS) {
        cairo_rectangle_list_destroy(clip);
        return std::nullopt;
    }
    double offsetX = 0, offsetY = 0;
    cairo_surface_get_device_offset(target, &offsetX, &offsetY);
    const PixelRect targetRect { 0, 0, cairo_image_surface_get_width(target), cairo_image_surface_get_height(target) };
    const int dx = static_cast<int>(std::lround(offsetX)), dy = static_cast<int>(std::lround(offsetY));
    PlacedAreas placed { left + dx, top + dy, {}, true };
    const PixelRect bounds { placed.left, placed.top, cairo_image_surface_get_width(picture), cairo_image_surface_get_height(picture) };
    for (int i = 0; i < clip->num_rectangles; ++i) {
        const cairo_rectangle_t& r = clip->rectangles[i];
        placed.whole = placed.whole && r.x == std::floor(r.x) && r.y == std::floor(r.y) && r.width == std::floor(r.width)
            && r.height == std::floor(r.height);
        // Device-space clips of a screen frame are whole pixels; anything else is rounded inward.
        const int x0 = static_cast<int>(std::ceil(r.x)) + dx, y0 = static_cast<int>(std::ceil(r.y)) + dy;
        const int x1 = static_cast<int>(std::floor(r.x + r.width)) + dx, y1 = static_cast<int>(std::floor(r.y + r.height)) + dy;
        if (const PixelRect area = PixelRect { x0, y0, x1 - x0, y1 - y0 }.intersected(bounds).intersected(targetRect); !area.isEmpty())
            placed.areas.push_back(area);
    }
    cairo_rectangle_list_destroy(clip);
    return placed;
}

// Writes a picture placed at (left, top) of the target's pixels into them, inside the clip, row
// by row: an opaque one (every pixel's top byte 0xff) copied, the bytes pixman writes for SOURCE
// from an x8r8g8b8 surface without its per-pixel conversion; any other composed over what is
// there as pixman composes OVER, with the rows below asked of memory ahead. Answers false,
// having written nothing, where it cannot (see placedAreas; to compose, the clip must also be
// whole pixels, since cairo would blend the pixels it cuts).
bool placeRows(cairo_t* cr, cairo_surface_t* picture, int left, int top, bool opaque)
{
    const auto placed = placedAreas(cr, picture, left, top);
    if (!placed || (!opaque && (!placed->whole || cairo_image_surface_get_format(picture) != CAIRO_FORMAT_ARGB32)))
        return false;
    cairo_surface_t* target = cairo_get_group_target(cr);
    cairo_surface_flush(target);
    cairo_surface_flush(picture);
    unsigned char* out = cairo_image_surface_get_data(target);
    const unsigned char* in = cairo_image_surface_get_data(picture);
    if (!out || !in)
        return false;
    const int outStride = cairo_image_surface_get_stride(target), inStride = cairo_image_surface_get_stride(picture);
    for (const PixelRect& area : placed->areas) {
        const auto rowBytes = static_cast<std::size_t>(area.width) * 4;
        auto* to = out + static_cast<std::ptrdiff_t>(area.y) * outStride + static_cast<std::ptrdiff_t>(area.x) * 4;
        const auto* from = in + static_cast<std::ptrdiff_t>(area.y - placed->top) * inStride + static_cast<std::ptrdiff_t>(area.x - placed->left) * 4;
        if (!opaque) {
            blend::overRows(reinterpret_cast<std::uint32_t*>(to), outStride, reinterpret_cast<const std::uint32_t*>(from), inStride, area.width,
                area.height);
        } else if (static_cast<std::size_t>(outStride) == rowBytes && static_cast<std::size_t>(inStride) == rowBytes) {
            // Whole rows on both sides, nothing between them: one copy, as a full frame's
            // background is, lets the copy stream instead of starting afresh on every row.
            std::memcpy(to, from, rowBytes * static_cast<std::size_t>(area.height));
        } else {
            for (int y = 0; y < area.height; ++y)
                std::memcpy(to + static_cast<std::ptrdiff_t>(y) * outStride, from + static_cast<std::ptrdiff_t>(y) * inStride, rowBytes);
        }
        cairo_surface_mark_dirty_rectangle(target, area.x, area.y, area.width, area.height);
    }
    return true;
}

} // namespace

std::optional<ImageSurfaceCache::OpaqueCopy> ImageSurfaceCache::opaqueCopy(const cairo_matrix_t& m, const std::shared_ptr<const UIImage>& image, CGRect rect)
{
    cairo_surface_t* surface = image && image->isOpaque() ? surfaceFor(image) : nullptr;
    if (!surface || !CGFloatsAreFinite({ rect.origin.x, rect.origin.y, rect.size.width, rect.size.height }) || rect.size.width <= 0
        || rect.size.height <= 0 || !(m.xy == 0 && m.yx == 0 && m.xx > 0 && m.yy > 0))
        return std::nullopt;
    const double left = m.xx * rect.origin.x + m.x0, top = m.yy * rect.origin.y + m.y0;
    const double right = m.xx * (static_cast<double>(rect.origin.x) + rect.size.width) + m.x0;
    const double bottom = m.yy * (static_cast<double>(rect.origin.y) + rect.size.height) + m.y0;
    const double width = std::round(right) - std::round(left), height = std::round(bottom) - std::round(top);
    if (!(nearWhole(left) && nearWhole(top) && nearWhole(right) && nearWhole(bottom) && width >= 1 && height >= 1 && width <= kMaxScaledSide
            && height <= kMaxScaledSide))
        return std::nullopt;
    cairo_surface_t* sized = surfaceAtSize(image, surface, static_cast<int>(width), static_cast<int>(height));
    if (!sized)
        return std::nullopt;
    return OpaqueCopy { sized, { static_cast<int>(std::round(left)), static_cast<int>(std::round(top)), static_cast<int>(width), static_cast<int>(height) } };
}

void ImageSurfaceCache::drawImage(cairo_t* cr, const std::shared_ptr<const UIImage>& image, CGRect rect)
{
    cairo_surface_t* surface = surfaceFor(image);
    if (!surface || !CGFloatsAreFinite({ rect.origin.x, rect.origin.y, rect.size.width, rect.size.height }) || rect.size.width <= 0
        || rect.size.height <= 0)
        return;
    // Upright and on whole device pixels (the common case: a view placed on the pixel grid), the
    // image is drawn from a copy at its device size.
    cairo_matrix_t m;
    cairo_get_matrix(cr, &m);
    if (const auto copy = opaqueCopy(m, image, rect); copy && placeRows(cr, copy->pixels, copy->placed.x, copy->placed.y, true))
        return;
    if (m.xy == 0 && m.yx == 0 && m.xx > 0 && m.yy > 0) {
        const double left = m.xx * rect.origin.x + m.x0, top = m.yy * rect.origin.y + m.y0;
        const double right = m.xx * (static_cast<double>(rect.origin.x) + rect.size.width) + m.x0;
        const double bottom = m.yy * (static_cast<double>(rect.origin.y) + rect.size.height) + m.y0;
        const double width = std::round(right) - std::round(left), height = std::round(bottom) - std::round(top);
        if (nearWhole(left) && nearWhole(top) && nearWhole(right) && nearWhole(bottom) && width >= 1 && height >= 1 && width <= kMaxScaledSide
            && height <= kMaxScaledSide) {
            if (cairo_surface_t* sized = surfaceAtSize(image, surface, static_cast<int>(width), static_cast<int>(height))) {
                if (!image->isOpaque() && placeRows(cr, sized, static_cast<int>(std::round(left)), static_cast<int>(std::round(top)), false))
                    return;
                cairo_save(cr);
                cairo_identity_matrix(cr);
                cairo_set_source_surface(cr, sized, std::round(left), std::round(top));
                // For an opaque picture SOURCE and OVER agree; SOURCE spares reading what lies under it.
                if (image->isOpaque())
                    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
                cairo_rectangle(cr, std::round(left), std::round(top), width, height);
                cairo_fill(cr);
                cairo_restore(cr);
                return;
            }
        }
    }
    paintScaled(cr, surface, *image, rect);
}

std::size_t ImageSurfaceCache::size()
{
    cache().prune();
    return cache().entries.size();
}

void ImageSurfaceCache::clear() { cache().clear(); }
