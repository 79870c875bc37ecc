#pragma once
// The composed screen: premultiplied ARGB32 pixels (Cairo's format), kept between frames.
#include "platform/graphics/CairoHandles.h"

#include <cstdint>
#include <memory>

class UIImage;

// A rectangle of whole pixels.
struct PixelRect {
    int x = 0, y = 0, width = 0, height = 0;
    bool isEmpty() const { return width <= 0 || height <= 0; }
    // The smallest rectangle holding both (an empty one counts as nothing).
    PixelRect united(const PixelRect& other) const;
    PixelRect intersected(const PixelRect& other) const;
    friend bool operator==(const PixelRect&, const PixelRect&) = default;
};

class FrameBuffer {
public:
    FrameBuffer() = default;
    FrameBuffer(const FrameBuffer&) = delete;
    FrameBuffer& operator=(const FrameBuffer&) = delete;

    // Makes the buffer this size (cleared to transparent) unless it already is; answers whether it changed.
    bool resize(int width, int height);
    int width() const { return width_; }
    int height() const { return height_; }
    int stride() const;
    cairo_surface_t* surface() const { return surface_.get(); }
    // The first byte of row 0, or null before the first resize.
    const unsigned char* data() const;
    // One pixel in native byte order (0xAARRGGBB), 0 outside the buffer.
    std::uint32_t pixelAt(int x, int y) const;
    // A copy of the pixels as an image with that scale; null when empty.
    std::shared_ptr<UIImage> toImage(float scale) const;

private:
    CairoSurface surface_;
    int width_ = 0, height_ = 0;
};
