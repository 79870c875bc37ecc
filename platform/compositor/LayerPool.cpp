#include "platform/compositor/LayerPool.h"

#include <cairo.h>

#include <cstring>

cairo_surface_t* LayerPool::acquire(std::size_t depth, int width, int height, const std::vector<PixelRect>& areas)
{
    if (layers_.size() <= depth)
        layers_.resize(depth + 1);
    Layer& layer = layers_[depth];
    if (!layer.surface || layer.width != width || layer.height != height) {
        layer.surface.reset(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height));
        layer.width = width;
        layer.height = height;
        if (cairo_surface_status(layer.surface.get()) != CAIRO_STATUS_SUCCESS) {
            layer.surface.reset();
            return nullptr;
        }
    }
    layer.used = true;
    cairo_surface_t* surface = layer.surface.get();
    cairo_surface_flush(surface);
    unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    for (const PixelRect& area : areas) {
        const PixelRect clear = area.intersected({ 0, 0, width, height });
        if (clear.isEmpty())
            continue;
        for (int y = clear.y; y < clear.y + clear.height; ++y)
            std::memset(data + static_cast<std::ptrdiff_t>(y) * stride + static_cast<std::ptrdiff_t>(clear.x) * 4, 0, static_cast<std::size_t>(clear.width) * 4);
        cairo_surface_mark_dirty_rectangle(surface, clear.x, clear.y, clear.width, clear.height);
    }
    return surface;
}

void LayerPool::endFrame()
{
    for (Layer& layer : layers_) {
        if (!layer.used)
            layer.surface.reset();
        layer.used = false;
    }
}
