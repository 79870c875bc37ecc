#pragma once
// The window's pixels in memory shared with a local X server (MIT-SHM), sent a part at a time
// without waiting for the server. SDL's window surface waits until the server has taken every
// update: a round trip per frame, and with it a sleep and a wake-up. Here the round trip is asked
// for with the update and its answer taken only before the pixels are written again, a frame
// later, when it has long arrived. Nothing to be had on another display, a remote one, or one
// whose pixels are not 32-bit xRGB in this machine's byte order: the window then keeps SDL's
// surface. Internal to the SDL backend; X's types stay in the source.
#include "platform/backends/WindowFit.h"
#include "platform/graphics/FrameBuffer.h"

#include <memory>

struct SDL_Window;

class X11ShmFramebuffer {
public:
    // Shared pixels for the window, or null when its display cannot take them.
    static std::unique_ptr<X11ShmFramebuffer> create(SDL_Window* window);
    ~X11ShmFramebuffer();
    X11ShmFramebuffer(const X11ShmFramebuffer&) = delete;
    X11ShmFramebuffer& operator=(const X11ShmFramebuffer&) = delete;

    // The pixels of a window this size (xRGB, the stride below), once the server has taken the
    // last update from them, so they may be written; made anew when the size changes. Null when
    // they cannot be had.
    unsigned char* pixels(WindowSize size);
    int stride() const;
    // Sends the part of the pixels to the same place in the window; the server takes it in its
    // own time. False when there is nothing to send it from.
    bool update(const PixelRect& part);

    struct Impl;

private:
    explicit X11ShmFramebuffer(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};
