#pragma once
// Geometry the compositor's walks over the views share: where a view lies in its superview as it
// is shown (presentation values), which geometry is usable at all, and how rectangles of points
// round out to the screen's pixels.
#include "platform/graphics/CGGeometry.h"
#include "platform/graphics/FrameBuffer.h"

class UIView;

namespace compositor {

// Surfaces beyond this many pixels a side are not made: a runaway frame must not exhaust memory.
constexpr double kMaxSurfaceSide = 16384.0;

// Finite numbers, and for a transform an inverse: cairo breaks for good on anything else.
bool isUsable(CGAffineTransform t);
bool isUsable(CGRect r);
// From the view's bounds coordinates to its superview's, as shown: the transform turns about the centre.
CGAffineTransform localToParent(const UIView& view);
// An alpha inside [0, 1]; none for NaN.
float clampedAlpha(float alpha);

// The screen's pixels: points × scale, inside the frame buffer.
struct PixelGrid {
    float scale = 1;
    PixelRect bounds;
    // The pixels a rectangle of points touches, with one pixel of margin for antialiased edges
    // that spill past the geometry; empty for an unusable or empty rectangle.
    PixelRect cover(CGRect points) const;
};

} // namespace compositor
