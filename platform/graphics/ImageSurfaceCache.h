#pragma once
// Cairo surfaces over the pixels of UIImages, made once per image and kept while the image lives.
#include "platform/graphics/CGGeometry.h"
#include "platform/graphics/FrameBuffer.h"

#include <cairo.h>

#include <memory>
#include <optional>

class UIImage;

class ImageSurfaceCache {
public:
    // A surface sharing the image's pixels (borrowed: valid while the image lives), or null.
    static cairo_surface_t* surfaceFor(const std::shared_ptr<const UIImage>& image);
    // Paints the image scaled into the rectangle (user space of cr).
    static void drawImage(cairo_t* cr, const std::shared_ptr<const UIImage>& image, CGRect rect);
    // Where drawImage copies an opaque image drawn into the rectangle under the matrix, pixel for
    // pixel, and the pixels it copies (every top byte 0xff); none where it would resample.
    struct OpaqueCopy {
        cairo_surface_t* pixels = nullptr;
        PixelRect placed;
    };
    static std::optional<OpaqueCopy> opaqueCopy(const cairo_matrix_t& m, const std::shared_ptr<const UIImage>& image, CGRect rect);
    // How many live images have a surface (for tests).
    static std::size_t size();
    // Forgets every surface.
    static void clear();
};
