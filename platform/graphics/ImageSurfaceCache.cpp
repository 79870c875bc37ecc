#include "platform/graphics/ImageSurfaceCache.h"

#include "platform/graphics/CGContext.h"
#include "platform/graphics/UIImage.h"

#include <cmath>
#include <unordered_map>

namespace {

// Resampled copies beyond this many pixels a side are not made.
constexpr double kMaxScaledSide = 16384.0;

struct Entry {
    std::weak_ptr<const UIImage> image;
    cairo_surface_t* surface = nullptr;
    // The image resampled to the pixel size it was last drawn at, or null.
    cairo_surface_t* scaled = nullptr;
    int scaledWidth = 0, scaledHeight = 0;

    void destroy()
    {
        cairo_surface_destroy(surface);
        if (scaled)
            cairo_surface_destroy(scaled);
    }
};

class Cache {
public:
    ~Cache() { clear(); }
    std::unordered_map<const UIImage*, Entry> entries;

    // Entries whose image has gone; their address may be reused by a new image.
    void prune()
    {
        for (auto it = entries.begin(); it != entries.end();) {
            if (it->second.image.expired()) {
                it->second.destroy();
                it = entries.erase(it);
            } else {
                ++it;
            }
        }
    }
    void clear()
    {
        for (auto& [key, entry] : entries)
            entry.destroy();
        entries.clear();
    }
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
            return found->second.surface;
        found->second.destroy();
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
    cairo_surface_t* surface = cairo_image_surface_create_for_data(data, format, image->pixelWidth(), image->pixelHeight(), stride);
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        return nullptr;
    }
    entries[image.get()] = { image, surface };
    return surface;
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
        return entry.scaled;
    if (entry.scaled)
        cairo_surface_destroy(entry.scaled);
    entry.scaled = cairo_image_surface_create(image->isOpaque() ? CAIRO_FORMAT_RGB24 : CAIRO_FORMAT_ARGB32, width, height);
    entry.scaledWidth = width;
    entry.scaledHeight = height;
    cairo_t* cr = cairo_create(entry.scaled);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    paintScaled(cr, original, *image, { { 0, 0 }, { static_cast<CGFloat>(width), static_cast<CGFloat>(height) } });
    cairo_destroy(cr);
    cairo_surface_flush(entry.scaled);
    return entry.scaled;
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
