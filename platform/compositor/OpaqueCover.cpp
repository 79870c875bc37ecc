#include "platform/compositor/OpaqueCover.h"

#include "platform/compositor/CompositorGeometry.h"
#include "platform/graphics/CGContext.h"
#include "platform/graphics/UIColor.h"
#include "platform/graphics/UIImage.h"
#include "platform/ui/UIImageView.h"
#include "platform/ui/UIWindow.h"

#include <cmath>

using namespace compositor;

namespace {

// Whether the view's own content is opaque: a background colour or a picture without transparency.
bool hasOpaqueContent(const UIView& view)
{
    if (view.backgroundColor() && CGColorComponentsFromColor(view.backgroundColor().get()).alpha >= 1.0)
        return true;
    const auto* imageView = dynamic_cast<const UIImageView*>(&view);
    return imageView && imageView->image() && imageView->image()->isOpaque();
}

// The topmost view in the subtree that covers the damage. Conservative: shown at full alpha,
// placed by translations only, all the way down.
const UIView* opaqueViewCovering(const UIView& view, CGAffineTransform parentToScreen, const PixelRect& damage, float scale)
{
    if (view.isHidden() || !(clampedAlpha(view.presentationAlpha()) >= 1.0f))
        return nullptr;
    const CGAffineTransform toScreen = CGAffineTransformConcat(localToParent(view), parentToScreen);
    if (!isUsable(toScreen) || !isUsable(view.bounds()) || toScreen.a != 1 || toScreen.b != 0 || toScreen.c != 0 || toScreen.d != 1)
        return nullptr;
    const CGRect rect = CGRectApplyAffineTransform(view.bounds(), toScreen);
    // Only pixels the view covers whole count.
    const double s = scale;
    const bool covers = std::ceil(rect.origin.x * s) <= damage.x && std::ceil(rect.origin.y * s) <= damage.y
        && std::floor(CGRectGetMaxX(rect) * s) >= damage.x + damage.width && std::floor(CGRectGetMaxY(rect) * s) >= damage.y + damage.height;
    if (view.clipsToBounds() && !covers)
        return nullptr;
    const auto& children = view.subviews();
    for (auto it = children.rbegin(); it != children.rend(); ++it)
        if (const UIView* found = opaqueViewCovering(**it, toScreen, damage, scale))
            return found;
    return covers && hasOpaqueContent(view) ? &view : nullptr;
}

} // namespace

OpaqueCover OpaqueCover::find(const std::vector<std::shared_ptr<UIWindow>>& windows, const PixelRect& damage, float scale)
{
    OpaqueCover cover;
    for (std::size_t i = windows.size(); i-- > 0 && !cover.view;) {
        cover.view = opaqueViewCovering(*windows[i], CGAffineTransformIdentity, damage, scale);
        cover.window = i;
    }
    if (!cover.view) {
        cover.window = 0;
        return cover;
    }
    for (const UIView* v = cover.view->superviewPointer(); v; v = v->superviewPointer())
        cover.ancestors.push_back(v);
    return cover;
}
