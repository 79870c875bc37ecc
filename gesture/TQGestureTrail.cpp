#include "gesture/TQGestureTrail.h"

#include <algorithm>
#include <cmath>

namespace {

// The box of a stroked segment: half the width on every side covers the square ends and the
// round joins, and one more point covers the anti-aliased edge pixels.
CGRect segmentBox(CGPoint a, CGPoint b, float outset)
{
    const float x0 = std::min(a.x, b.x), y0 = std::min(a.y, b.y);
    const float x1 = std::max(a.x, b.x), y1 = std::max(a.y, b.y);
    return CGRectMake(x0 - outset, y0 - outset, x1 - x0 + 2.0f * outset, y1 - y0 + 2.0f * outset);
}

bool hasLocation(CGPoint p) { return p.x != -1.0f && p.y != -1.0f; }

bool finiteRect(CGRect r)
{
    return std::isfinite(r.origin.x) && std::isfinite(r.origin.y) && std::isfinite(r.size.width) && std::isfinite(r.size.height);
}

} // namespace

TQGestureTrail::TQGestureTrail(const Inputs& inputs, CGPoint lastCentreInView, CGPoint trackedInView)
    : known_(true)
    , inputs_(inputs)
    , lastCentreInView_(lastCentreInView)
    , trackedInView_(trackedInView)
{
}

std::optional<CGRect> TQGestureTrail::damage(const TQGestureTrail& before, const TQGestureTrail& now, float lineWidth)
{
    const float outset = std::fabs(lineWidth) / 2.0f + 1.0f;
    if (!std::isfinite(outset))
        return std::nullopt;
    CGRect dirty {};
    bool any = false;
    const auto add = [&](CGPoint a, CGPoint b) {
        const CGRect box = segmentBox(a, b, outset);
        dirty = any ? CGRectUnion(dirty, box) : box;
        any = true;
    };
    const Inputs& was = before.inputs_;
    const Inputs& is = now.inputs_;
    if (was.count > 0 && hasLocation(was.tracked))
        add(before.lastCentreInView_, before.trackedInView_);
    if (was.count > 0 && is.count > was.count)
        add(before.lastCentreInView_, now.lastCentreInView_);
    if (is.count > 0 && hasLocation(is.tracked))
        add(now.lastCentreInView_, now.trackedInView_);
    // Nothing painted before or after: the request still stands, for as little as the finger.
    if (!any)
        add(now.trackedInView_, now.trackedInView_);
    if (!finiteRect(dirty))
        return std::nullopt;
    return dirty;
}
