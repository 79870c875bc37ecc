#include "platform/graphics/FrameBuffer.h"

#include "platform/graphics/UIImage.h"

#include <cairo.h>

#include <algorithm>
#include <vector>

PixelRect PixelRect::united(const PixelRect& other) const
{
    if (isEmpty())
        return other;
    if (other.isEmpty())
        return *this;
    const int left = std::min(x, other.x), top = std::min(y, other.y);
    const int right = std::max(x + width, other.x + other.width), bottom = std::max(y + height, other.y + other.height);
    return { left, top, right - left, bottom - top };
}

PixelRect PixelRect::intersected(const PixelRect& other) const
{
    const int left = std::max(x, other.x), top = std::max(y, other.y);
    const int right = std::min(x + width, other.x + other.width), bottom = std::min(y + height, other.y + other.height);
    if (right <= left || bottom <= top)
        return {};
    return { left, top, right - left, bottom - top };
}

bool FrameBuffer::resize(int width, int height)
{
    width = std::max(width, 0);
    height = std::max(height, 0);
    if (surface_ && width == width_ && height == height_)
        return false;
    // The old pixels go before the new are made, so two screens' worth are never held at once.
    surface_.reset();
    surface_.reset(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height));
    width_ = width;
    height_ = height;
    return true;
}

int FrameBuffer::stride() const { return surface_ ? cairo_image_surface_get_stride(surface_.get()) : 0; }

const unsigned char* FrameBuffer::data() const
{
    if (!surface_)
        return nullptr;
    cairo_surface_flush(surface_.get());
    return cairo_image_surface_get_data(surface_.get());
}

std::uint32_t FrameBuffer::pixelAt(int x, int y) const
{
    const unsigned char* bytes = data();
    if (!bytes || x < 0 || y < 0 || x >= width_ || y >= height_)
        return 0;
    return reinterpret_cast<const std::uint32_t*>(bytes + static_cast<std::ptrdiff_t>(y) * stride())[x];
}

std::shared_ptr<UIImage> FrameBuffer::toImage(float scale) const
{
    const unsigned char* bytes = data();
    if (!bytes || width_ <= 0 || height_ <= 0)
        return nullptr;
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_));
    for (int y = 0; y < height_; ++y) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(bytes + static_cast<std::ptrdiff_t>(y) * stride());
        std::copy_n(row, width_, pixels.begin() + static_cast<std::ptrdiff_t>(y) * width_);
    }
    return std::make_shared<UIImage>(width_, height_, scale, std::move(pixels));
}
