#include "platform/graphics/ImageSurfaceCache.h"

#include "platform/graphics/CGContext.h"
#include "platform/graphics/UIImage.h"

#include <unordered_map>

namespace {

struct Entry {
    std::weak_ptr<const UIImage> image;
    cairo_surface_t* surface = nullptr;
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
                cairo_surface_destroy(it->second.surface);
                it = entries.erase(it);
            } else {
                ++it;
            }
        }
    }
    void clear()
    {
        for (auto& [key, entry] : entries)
            cairo_surface_destroy(entry.surface);
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
        cairo_surface_destroy(found->second.surface);
        entries.erase(found);
    }
    cache().prune();
    const int stride = image->pixelWidth() * 4;
    if (cairo_format_stride_for_width(CAIRO_FORMAT_ARGB32, image->pixelWidth()) != stride)
        return nullptr;
    // Cairo only reads these pixels: images are immutable once made.
    auto* data = reinterpret_cast<unsigned char*>(const_cast<std::uint32_t*>(image->pixels().data()));
    cairo_surface_t* surface = cairo_image_surface_create_for_data(data, CAIRO_FORMAT_ARGB32, image->pixelWidth(), image->pixelHeight(), stride);
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        return nullptr;
    }
    entries[image.get()] = { image, surface };
    return surface;
}

void ImageSurfaceCache::drawImage(cairo_t* cr, const std::shared_ptr<const UIImage>& image, CGRect rect)
{
    cairo_surface_t* surface = surfaceFor(image);
    if (!surface || !CGFloatsAreFinite({ rect.origin.x, rect.origin.y, rect.size.width, rect.size.height }) || rect.size.width <= 0
        || rect.size.height <= 0)
        return;
    cairo_save(cr);
    cairo_rectangle(cr, rect.origin.x, rect.origin.y, rect.size.width, rect.size.height);
    cairo_clip(cr);
    cairo_translate(cr, rect.origin.x, rect.origin.y);
    cairo_scale(cr, rect.size.width / image->pixelWidth(), rect.size.height / image->pixelHeight());
    cairo_set_source_surface(cr, surface, 0, 0);
    // Padding keeps the edges opaque when the picture is scaled, instead of fading them into nothing.
    cairo_pattern_set_extend(cairo_get_source(cr), CAIRO_EXTEND_PAD);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_GOOD);
    cairo_paint(cr);
    cairo_restore(cr);
}

std::size_t ImageSurfaceCache::size()
{
    cache().prune();
    return cache().entries.size();
}

void ImageSurfaceCache::clear() { cache().clear(); }
