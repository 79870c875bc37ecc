#pragma once
// What the compositor keeps per view between frames (in its ViewRecords): the retained output of drawRect (a surface
// at the view's pixel size, only for views that draw), the part of it that holds any paint, and
// where and how the view was last shown, so a frame can tell what moved.
#include "platform/graphics/CGGeometry.h"
#include "platform/graphics/CairoHandles.h"
#include "platform/graphics/FrameBuffer.h"

#include <cstdint>
#include <vector>

class UIView;

class ViewBackingStore {
public:
    ViewBackingStore() = default;
    ViewBackingStore(const ViewBackingStore&) = delete;
    ViewBackingStore& operator=(const ViewBackingStore&) = delete;

    // Brings the retained drawing up to date at the scale: runs the view's drawRect over what it
    // asked to have redrawn, or over everything when the surface is new. A view too large for a
    // surface loses it. Answers whether drawRect ran and which surface pixels may have changed.
    struct Redraw {
        bool drew = false;
        PixelRect changed;
    };
    Redraw redraw(UIView& view, float scale);

    // The retained drawing, or null. ensureSurface answers whether it had to make a new one
    // (fully transparent, so untouched pages of a large one cost no memory).
    cairo_surface_t* surface() const { return surface_.get(); }
    bool ensureSurface(int pixelWidth, int pixelHeight);
    void dropSurface();
    int pixelWidth() const { return pixelWidth_; }
    int pixelHeight() const { return pixelHeight_; }

    // Bounding box, in surface pixels, of every pixel that is not fully transparent; empty when
    // the drawing holds nothing. Compositing and clearing need not look outside it.
    const PixelRect& ink() const { return ink_; }
    // The same paint, finer: rows of square tiles that hold any, as runs of neighbouring tiles,
    // in surface pixels, top to bottom. A drawing that is transparent almost everywhere (a trail
    // across a whole screen) is composed where it has paint, not over its bounding box.
    const std::vector<PixelRect>& inkRuns() const { return inkRuns_; }
    static constexpr int kInkTile = 32;
    // Makes the area transparent and opens a context clipped to it, in surface pixels; null
    // without a surface.
    CairoContext beginRedraw(const PixelRect& area);
    // After the area was redrawn: finds its paint, updates ink(), and answers the part of the
    // area whose pixels may have changed (where there was or is paint).
    PixelRect endRedraw(const PixelRect& area);

    // The view as composed in the last screen frame it took part in.
    struct Shown {
        std::uint64_t frame = 0;   // 0: never shown
        CGRect screenRect {};      // bounding box of the view's bounds on screen, in points
        float opacity = 1;         // product of the presentation alphas down to the view
        CGRect subtreeRect {};     // screenRect with everything its children may paint
        float alpha = 1;           // the view's own presentation alpha, clamped
    };
    const Shown& shown() const { return shown_; }
    void setShown(const Shown& shown) { shown_ = shown; }

    // The screen pixels where a picture of the view and its children, painted at full alpha,
    // changed in that frame: what moved, appeared, vanished or was redrawn inside it, and the
    // fades of its descendants, but neither its own alpha nor the alphas above it. A picture
    // kept from the frame before is still good where this is empty.
    PixelRect contentDamage(std::uint64_t frame) const { return contentFrame_ == frame ? contentDamage_ : PixelRect {}; }
    void setContentDamage(std::uint64_t frame, const PixelRect& damage)
    {
        contentFrame_ = frame;
        contentDamage_ = damage;
    }
    void addContentDamage(std::uint64_t frame, const PixelRect& damage) { setContentDamage(frame, contentDamage(frame).united(damage)); }

private:
    PixelRect paintIn(const PixelRect& area) const;
    bool tileHasPaint(int column, int row) const;
    // Looks again at the tiles the area touches, then lists the runs anew.
    void updateInkTiles(const PixelRect& area);
    // The part of the surface the view asked to have redrawn, rounded out to whole pixels.
    PixelRect askedArea(const UIView& view, float scale) const;

    CairoSurface surface_;
    int pixelWidth_ = 0, pixelHeight_ = 0;
    PixelRect ink_;
    int tileColumns_ = 0, tileRows_ = 0;
    std::vector<std::uint8_t> inkTiles_;
    std::vector<PixelRect> inkRuns_;
    Shown shown_;
    std::uint64_t contentFrame_ = 0;
    PixelRect contentDamage_;
};
