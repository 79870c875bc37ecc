#pragma once
// Paints views into a cairo context in points: each view's content (background, retained drawing,
// what it is), then its children above it, faded as one picture where alpha is below one.
#include "platform/compositor/CompositorGeometry.h"
#include "platform/compositor/OpaqueCover.h"
#include "platform/graphics/CairoHandles.h"

#include <cstddef>
#include <cstdint>
#include <vector>

class LayerPool;
class UIView;
class ViewRecords;

// What one pass of painting knows, set up by a screen frame or a window snapshot and handed down
// the walk.
struct CompositionPass {
    compositor::PixelGrid grid;
    // The compositor's records of the views: their drawing and where this frame's walk put them.
    ViewRecords* records = nullptr;
    // Screen frames cull: a view placed by this frame's walk (frame) that lies wholly outside the
    // damage is skipped, and painting starts at the opaque cover: until it is reached (beforeBase),
    // only its ancestors are entered, without painting themselves.
    bool culling = false;
    std::uint64_t frame = 0;
    PixelRect damage;
    OpaqueCover base;
    bool beforeBase = false;
    // Snapshots bring the drawing of the views they meet up to date; whether any was redrawn.
    bool redrewViews = false;
    // Where screen frames fade views as one picture (none: a group of cairo's own), and how many
    // such pictures are open; with picturesStale, no picture kept from the last frame is used.
    LayerPool* layers = nullptr;
    bool picturesStale = true;
    std::size_t depth = 0;
    // Alphas handed down, outermost first, by faded views that paint nothing but one faded child:
    // the next picture opened is composed at its own alpha and then these, innermost first.
    std::vector<float> alphasHandedDown;
    // The opaque picture at the bottom of the faded picture being painted, painted only inside
    // these rectangles: elsewhere the faded picture is blended from its pixels directly.
    const UIView* pictureBase = nullptr;
    std::vector<PixelRect> pictureBaseClip;
};

class ViewPainter {
public:
    // Paints the view and its children; as the root, without the view's own alpha and position.
    static void drawView(cairo_t* cr, UIView& view, bool asRoot, CompositionPass& pass);

private:
    static void drawContent(cairo_t* cr, UIView& view, CompositionPass& pass);
    // The content of a faded picture's opaque base, only where the picture needs it painted (a
    // copy of whole pixels: the clip changes nothing else).
    static void drawBase(cairo_t* cr, UIView& view, CompositionPass& pass);
};
