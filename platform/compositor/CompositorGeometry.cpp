#include "platform/compositor/CompositorGeometry.h"

#include "platform/graphics/CGContext.h"
#include "platform/ui/UIView.h"

#include <algorithm>
#include <cmath>

namespace compositor {

bool isUsable(CGAffineTransform t)
{
    if (!CGFloatsAreFinite({ t.a, t.b, t.c, t.d, t.tx, t.ty }))
        return false;
    const double determinant = static_cast<double>(t.a) * t.d - static_cast<double>(t.b) * t.c;
    return determinant != 0 && std::isfinite(determinant);
}

bool isUsable(CGRect r) { return CGFloatsAreFinite({ r.origin.x, r.origin.y, r.size.width, r.size.height }) && r.size.width >= 0 && r.size.height >= 0; }

CGAffineTransform localToParent(const UIView& view)
{
    const CGRect b = view.bounds();
    const CGPoint c = view.center();
    CGAffineTransform t = CGAffineTransformMakeTranslation(-b.origin.x - b.size.width / 2, -b.origin.y - b.size.height / 2);
    t = CGAffineTransformConcat(t, view.presentationTransform());
    return CGAffineTransformConcat(t, CGAffineTransformMakeTranslation(c.x, c.y));
}

float clampedAlpha(float alpha) { return std::isfinite(alpha) ? std::clamp(alpha, 0.0f, 1.0f) : 0.0f; }

PixelRect PixelGrid::cover(CGRect r) const
{
    if (!isUsable(r) || CGRectIsEmpty(r))
        return {};
    const double s = scale;
    const double left = std::floor(r.origin.x * s) - 1, top = std::floor(r.origin.y * s) - 1;
    const double right = std::ceil(CGRectGetMaxX(r) * s) + 1, bottom = std::ceil(CGRectGetMaxY(r) * s) + 1;
    auto clampToInt = [](double v) { return static_cast<int>(std::clamp(v, -1.0e6, 1.0e6)); };
    const PixelRect rect { clampToInt(left), clampToInt(top), clampToInt(right) - clampToInt(left), clampToInt(bottom) - clampToInt(top) };
    return rect.intersected(bounds);
}

} // namespace compositor
