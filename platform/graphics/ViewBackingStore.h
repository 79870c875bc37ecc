#pragma once
// What the renderer keeps per view between frames: the retained output of drawRect (a surface at
// the view's pixel size, only for views that draw) and where and how the view was last shown,
// so a frame can tell what moved.
#include "platform/graphics/CGGeometry.h"

#include <cairo.h>

#include <cstdint>

class ViewBackingStore {
public:
    ViewBackingStore() = default;
    ~ViewBackingStore();
    ViewBackingStore(const ViewBackingStore&) = delete;
    ViewBackingStore& operator=(const ViewBackingStore&) = delete;

    // The retained drawing, or null. ensureSurface answers whether it had to make a new one.
    cairo_surface_t* surface() const { return surface_; }
    bool ensureSurface(int pixelWidth, int pixelHeight);
    void dropSurface();
    int pixelWidth() const { return pixelWidth_; }
    int pixelHeight() const { return pixelHeight_; }

    // The view as composed in the last screen frame it took part in.
    struct Shown {
        std::uint64_t frame = 0;   // 0: never shown
        CGRect screenRect {};      // bounding box of the view's bounds on screen, in points
        float opacity = 1;         // product of the presentation alphas down to the view
    };
    const Shown& shown() const { return shown_; }
    void setShown(const Shown& shown) { shown_ = shown; }

private:
    cairo_surface_t* surface_ = nullptr;
    int pixelWidth_ = 0, pixelHeight_ = 0;
    Shown shown_;
};
