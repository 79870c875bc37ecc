#include "platform/graphics/ImageSurfaceCache.h"

#include "platform/graphics/CGContext.h"
#include "platform/graphics/CairoHandles.h"
#include "platform/graphics/UIImage.h"

#include <cmath>
#include <unordered_map>

namespace {

// Resampled copies beyond this many pixels a side are not made.
constexpr double kMaxScaledSide = 16384.0;

struct Entry {
    std::weak_ptr<const UIImage> image;
    CairoSurface surface;
    // The image resampled to the pixel size it was last drawn at, or null.
    CairoSurface scaled;
    int scaledWidth = 0, scaledHeight = 0;
};

class Cache {
public:
    std::unordered_map<const UIImage*, Entry> entries;

    // Entries whose image has gone; their address may be reused by a new image.
    void prune()
    {
        std::erase_if(entries, [](const auto& item) { return item.second.image.expired(); });
    }
    void clear() { entries.clear(); }
};

Cache& cache()
{
    static Cache instance;
    return instance;
}

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
    Entry& entry = entries[image.get()];
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
    Entry& entry = cache().entries[image.get()];
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
    return entry.scaled.get();
}

bool nearWhole(double v) { return std::abs(v - std::round(v)) < 1e-3; }

} // namespace

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
    if (m.xy == 0 && m.yx == 0 && m.xx > 0 && m.yy > 0) {
        const double left = m.xx * rect.origin.x + m.x0, top = m.yy * rect.origin.y + m.y0;
        const double right = m.xx * (static_cast<double>(rect.origin.x) + rect.size.width) + m.x0;
        const double bottom = m.yy * (static_cast<double>(rect.origin.y) + rect.size.height) + m.y0;
        const double width = std::round(right) - std::round(left), height = std::round(bottom) - std::round(top);
        if (nearWhole(left) && nearWhole(top) && nearWhole(right) && nearWhole(bottom) && width >= 1 && height >= 1 && width <= kMaxScaledSide
            && height <= kMaxScaledSide) {
            if (cairo_surface_t* sized = surfaceAtSize(image, surface, static_cast<int>(width), static_cast<int>(height))) {
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
