#pragma once
// Where a view and its children may paint, in device pixels: what a picture of them must hold.
// Beyond these rectangles the picture would be transparent, and a transparent pixel composed
// over anything leaves it as it was, so a faded view need be composed only inside them.
#include "platform/graphics/CGGeometry.h"
#include "platform/graphics/FrameBuffer.h"

#include <vector>

class UIView;
class ViewRecords;

namespace compositor {

// Appends the rectangles (with a pixel of margin for antialiased edges) for the view, whose
// bounds reach the device through toDevice, and everything under it that shows; the drawing of
// views that draw is the one the records keep. Conservative:
// a view whose own content is not known paints its whole bounds.
void collectPaint(const UIView& view, CGAffineTransform toDevice, float scale, const ViewRecords& records, std::vector<PixelRect>& rects);
// The same for the view's own content alone, without its children.
void collectOwnPaint(const UIView& view, CGAffineTransform toDevice, float scale, const ViewRecords& records, std::vector<PixelRect>& rects);
// Whether the view shows at all in a frame: not hidden, not faded out, placeable.
bool shows(const UIView& view);
// Whether a faded view can hand its alpha down to its one faded child instead of being composed
// as a picture of its own: it paints nothing itself, and that child is the only one that shows.
bool handsAlphaDown(const UIView& view, const ViewRecords& records);

} // namespace compositor
