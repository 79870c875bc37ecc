#pragma once
// Surfaces for the views a screen frame fades as one picture, one per view, kept from frame to
// frame while it fades. A fade composes every frame whole; its picture, painted at full alpha,
// stays the same while only the alphas change, so a frame that finds it as the last one left it
// composes it without painting it again. A surface no frame has asked for since the last one is
// given back.
#include "platform/graphics/CairoHandles.h"
#include "platform/graphics/FrameBuffer.h"

#include <array>
#include <vector>

class UIView;

class LayerPool {
public:
    // What a picture was painted from: its view, the clip and matrix it was painted under, the
    // areas it was painted in, and the opaque picture it was painted over.
    struct Key {
        const UIView* view = nullptr;
        std::vector<PixelRect> clip;
        std::array<double, 6> matrix {};
        std::vector<PixelRect> painted;
        const UIView* base = nullptr;
        PixelRect basePlaced;
        friend bool operator==(const Key&, const Key&) = default;
    };
    struct Picture {
        cairo_surface_t* surface = nullptr;
        // Whether it holds the key's picture as the last frame painted it.
        bool current = false;
    };
    // The surface of the screen's size for the key's view (null when none can be made). With
    // `unchanged` (nothing the picture shows changed since the last frame) a surface painted for
    // the same key in the last frame is answered current, as it is; otherwise its pixels inside
    // the key's painted areas are made transparent for painting (the rest holds whatever it held).
    Picture acquire(Key key, int width, int height, bool unchanged);
    // Ends a frame: gives back the surfaces it did not use.
    void endFrame();
    void clear() { layers_.clear(); }
    std::size_t size() const { return layers_.size(); }

private:
    struct Layer {
        CairoSurface surface;
        int width = 0, height = 0;
        Key key;
        bool used = false;
        bool kept = false;
    };
    std::vector<Layer> layers_;
};
