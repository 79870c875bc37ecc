#include "platform/compositor/LayerPool.h"

#include <cairo.h>

#include <algorithm>
#include <cstring>
#include <utility>

LayerPool::Picture LayerPool::acquire(Key key, int width, int height, bool unchanged)
{
    auto at = std::find_if(layers_.begin(), layers_.end(), [&](const Layer& l) { return l.key.view == key.view && !l.used; });
    if (at == layers_.end())
        at = layers_.emplace(layers_.end());
    Layer& layer = *at;
    layer.used = true;
    if (!layer.surface || layer.width != width || layer.height != height) {
        layer.kept = false;
        layer.surface.reset(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height));
        layer.width = width;
        layer.height = height;
        if (cairo_surface_status(layer.surface.get()) != CAIRO_STATUS_SUCCESS) {
            layer.surface.reset();
            return {};
        }
    }
    cairo_surface_t* surface = layer.surface.get();
    if (unchanged && layer.kept && layer.key == key)
        return { surface, true };
    // Painted now, and good for the next frame as long as nothing in it changes.
    layer.key = std::move(key);
    layer.kept = true;
    cairo_surface_flush(surface);
    unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    for (const PixelRect& area : layer.key.painted) {
        const PixelRect clear = area.intersected({ 0, 0, width, height });
        if (clear.isEmpty())
            continue;
        for (int y = clear.y; y < clear.y + clear.height; ++y)
            std::memset(data + static_cast<std::ptrdiff_t>(y) * stride + static_cast<std::ptrdiff_t>(clear.x) * 4, 0, static_cast<std::size_t>(clear.width) * 4);
        cairo_surface_mark_dirty_rectangle(surface, clear.x, clear.y, clear.width, clear.height);
    }
    return { surface, false };
}

void LayerPool::endFrame()
{
    layers_.erase(std::remove_if(layers_.begin(), layers_.end(), [](const Layer& l) { return !l.used; }), layers_.end());
    for (Layer& layer : layers_)
        layer.used = false;
}
