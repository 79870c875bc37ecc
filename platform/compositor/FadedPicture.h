#pragma once
// A view faded as one picture in a frame: painted apart, then composed at its alpha over what lies
// under it. A screen frame paints it on a surface of its pool (LayerPool) with the transform and
// clip cairo's own group would have (cairo's coverage of an edge pixel depends on the clip), over
// transparency where the view and its children may paint (PaintRegion), and composes it only
// there: the same bytes as a group, without a surface the size of the damage made for every
// frame. The pool keeps the picture for the next frame: when it would be painted the same again
// (same clip, matrix and areas, nothing inside changed), it is composed as it is, unpainted.
// Elsewhere (window snapshots, clips that are not whole pixels) it is a group of cairo's.
#include "platform/compositor/ViewPainter.h"
#include "platform/graphics/FrameBuffer.h"
#include "platform/graphics/ImageSurfaceCache.h"

#include <memory>
#include <optional>
#include <vector>

struct CGContext;

class FadedPicture {
public:
    // Opens the picture and answers the context to paint the view and its children with; null
    // when nothing of them would show. The alphas handed down to the view's picture are taken.
    cairo_t* open(cairo_t* cr, const UIView& view, float alpha, CompositionPass& pass);
    // Closes it and composes it into cr at its alphas, as cairo composes the groups it pops.
    void close(cairo_t* cr, CompositionPass& pass);
    // Whether the picture was kept from the last frame as it is: nothing need be painted into it
    // (the context open answered must not be painted on).
    bool isKept() const { return kept_; }

private:
    // Blends the pooled picture into the target of cr inside its region at all its alphas in one
    // pass; false, having done nothing, for a target that is not a plain ARGB32 image.
    bool blend(cairo_t* cr) const;
    // Finds the opaque picture at the bottom of the view's children that is copied over all of the
    // region, and the part of the clip where what lies over it paints.
    bool findBase(cairo_t* cr, const UIView& view, const std::vector<PixelRect>& clip, const CompositionPass& pass);
    // Whether nothing of the view's picture changed since the last frame inside the areas it is
    // composed in.
    bool unchanged(const UIView& view, const CompositionPass& pass) const;

    cairo_surface_t* surface_ = nullptr;
    bool kept_ = false;
    std::shared_ptr<CGContext> context_;
    // Where the picture is composed: the clip, as far as the view and its children paint.
    std::vector<PixelRect> region_;
    // Its view's alpha, then those handed down to it, innermost first.
    std::vector<float> alphas_;
    // An opaque picture under everything it holds: the picture is painted only where something
    // lies over it (painted_), and blended from the picture's own pixels elsewhere.
    const UIView* baseView_ = nullptr;
    std::optional<ImageSurfaceCache::OpaqueCopy> base_;
    std::vector<PixelRect> painted_;
    const UIView* outerBase_ = nullptr;
    std::vector<PixelRect> outerBaseClip_;
};
