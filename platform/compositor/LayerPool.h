#pragma once
// Surfaces for the views a screen frame fades as one picture, kept from frame to frame while
// something fades: a fade composes every frame whole, and a surface the size of the screen made
// anew for each would cost its pages again every time. One surface per depth of nesting; those
// no frame has asked for since the last one are given back.
#include "platform/graphics/CairoHandles.h"
#include "platform/graphics/FrameBuffer.h"

#include <cstddef>
#include <vector>

class LayerPool {
public:
    // A surface of the screen's size for that depth, its pixels inside the rectangles transparent
    // (the rest holds whatever it held); null when none can be made.
    cairo_surface_t* acquire(std::size_t depth, int width, int height, const std::vector<PixelRect>& areas);
    // Ends a frame: gives back the surfaces it did not use.
    void endFrame();
    void clear() { layers_.clear(); }

private:
    struct Layer {
        CairoSurface surface;
        int width = 0, height = 0;
        bool used = false;
    };
    std::vector<Layer> layers_;
};
