#include "platform/backends/SDLWindowIdentity.h"

#include <SDL.h>
#include <cairo.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

// The icon's PNG, drawn from the application icon's SVG at build time.
extern const unsigned char glyphwardWindowIcon[];
extern const std::size_t glyphwardWindowIcon_size;

namespace {

struct Reader {
    const unsigned char* data;
    std::size_t left;
};

cairo_status_t readIcon(void* closure, unsigned char* out, unsigned int length)
{
    auto* reader = static_cast<Reader*>(closure);
    if (length > reader->left)
        return CAIRO_STATUS_READ_ERROR;
    std::memcpy(out, reader->data, length);
    reader->data += length;
    reader->left -= length;
    return CAIRO_STATUS_SUCCESS;
}

struct SurfaceRelease {
    void operator()(cairo_surface_t* surface) const { cairo_surface_destroy(surface); }
    void operator()(SDL_Surface* surface) const { SDL_FreeSurface(surface); }
};

} // namespace

void SDLWindowIdentity::nameClass()
{
    ::setenv("SDL_VIDEO_X11_WMCLASS", windowClass, 0);
    ::setenv("SDL_VIDEO_WAYLAND_WMCLASS", applicationId, 0);
}

void SDLWindowIdentity::setIcon(SDL_Window* window)
{
    if (!window)
        return;
    Reader reader { glyphwardWindowIcon, glyphwardWindowIcon_size };
    const std::unique_ptr<cairo_surface_t, SurfaceRelease> png(cairo_image_surface_create_from_png_stream(readIcon, &reader));
    if (cairo_surface_status(png.get()) != CAIRO_STATUS_SUCCESS || cairo_image_surface_get_format(png.get()) != CAIRO_FORMAT_ARGB32)
        return;
    cairo_surface_flush(png.get());
    const int width = cairo_image_surface_get_width(png.get());
    const int height = cairo_image_surface_get_height(png.get());
    const int stride = cairo_image_surface_get_stride(png.get());
    const std::unique_ptr<SDL_Surface, SurfaceRelease> icon(SDL_CreateRGBSurfaceWithFormat(0, width, height, 32, SDL_PIXELFORMAT_ARGB8888));
    if (!icon || SDL_LockSurface(icon.get()) != 0)
        return;
    // Cairo keeps colours premultiplied by their alpha; SDL wants them straight.
    const unsigned char* from = cairo_image_surface_get_data(png.get());
    auto* to = static_cast<unsigned char*>(icon->pixels);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            std::uint32_t pixel = 0;
            std::memcpy(&pixel, from + static_cast<std::ptrdiff_t>(y) * stride + x * 4, 4);
            const std::uint32_t alpha = pixel >> 24;
            const auto straight = [alpha](std::uint32_t channel) {
                return alpha == 0 ? 0u : std::min(255u, (channel * 255u + alpha / 2) / alpha);
            };
            const std::uint32_t out = (alpha << 24) | (straight((pixel >> 16) & 0xff) << 16) | (straight((pixel >> 8) & 0xff) << 8)
                | straight(pixel & 0xff);
            std::memcpy(to + static_cast<std::ptrdiff_t>(y) * icon->pitch + x * 4, &out, 4);
        }
    }
    SDL_UnlockSurface(icon.get());
    SDL_SetWindowIcon(window, icon.get());
}
