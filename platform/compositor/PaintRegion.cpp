#include "platform/compositor/PaintRegion.h"

#include "platform/compositor/CompositorGeometry.h"
#include "platform/compositor/ViewBackingStore.h"
#include "platform/compositor/ViewRecords.h"
#include "platform/graphics/CGContext.h"
#include "platform/graphics/UIColor.h"
#include "platform/ui/UIButton.h"
#include "platform/ui/UIImageView.h"
#include "platform/ui/UILabel.h"
#include "platform/ui/UIWindow.h"

#include <algorithm>
#include <cmath>
#include <typeinfo>

namespace compositor {

namespace {

void addDeviceBox(CGRect r, CGAffineTransform toDevice, std::vector<PixelRect>& rects)
{
    if (!isUsable(r) || CGRectIsEmpty(r))
        return;
    const CGRect box = CGRectApplyAffineTransform(r, toDevice);
    if (!isUsable(box))
        return;
    auto clampToInt = [](double v) { return static_cast<int>(std::clamp(v, -1.0e6, 1.0e6)); };
    const int left = clampToInt(std::floor(box.origin.x) - 1), top = clampToInt(std::floor(box.origin.y) - 1);
    const int right = clampToInt(std::ceil(static_cast<double>(CGRectGetMaxX(box))) + 1);
    const int bottom = clampToInt(std::ceil(static_cast<double>(CGRectGetMaxY(box))) + 1);
    rects.push_back({ left, top, right - left, bottom - top });
}

bool hasBackground(const UIView& view)
{
    return view.backgroundColor() && CGColorComponentsFromColor(view.backgroundColor().get()).alpha > 0;
}

// The views whose own content is nothing but their background colour, and the views that draw
// for themselves (background, then the retained drawing): only the kinds known here.
bool paintsBackgroundOnly(const UIView& view) { return typeid(view) == typeid(UIView) || typeid(view) == typeid(UIWindow); }
bool paintsIntrinsicContent(const UIView& view)
{
    return dynamic_cast<const UIImageView*>(&view) || dynamic_cast<const UILabel*>(&view) || dynamic_cast<const UIButton*>(&view);
}

} // namespace

void collectOwnPaint(const UIView& view, CGAffineTransform toDevice, float scale, const ViewRecords& records, std::vector<PixelRect>& rects)
{
    const CGRect b = view.bounds();
    if (hasBackground(view) || (!view.drawsContent() && !paintsBackgroundOnly(view)) || (view.drawsContent() && paintsIntrinsicContent(view))) {
        addDeviceBox(b, toDevice, rects);
        return;
    }
    if (!view.drawsContent())
        return;
    const ViewBackingStore* store = records.find(view);
    if (!store || !store->surface() || store->ink().isEmpty())
        return;
    const double s = scale;
    for (const PixelRect& run : store->inkRuns())
        if (const PixelRect part = run.intersected(store->ink()); !part.isEmpty())
            addDeviceBox({ { b.origin.x + static_cast<CGFloat>(part.x / s), b.origin.y + static_cast<CGFloat>(part.y / s) },
                             { static_cast<CGFloat>(part.width / s), static_cast<CGFloat>(part.height / s) } },
                toDevice, rects);
}

bool shows(const UIView& view) { return !view.isHidden() && clampedAlpha(view.presentationAlpha()) > 0.0f && isUsable(view.bounds()) && isUsable(localToParent(view)); }

bool handsAlphaDown(const UIView& view, const ViewRecords& records)
{
    // Where it paints does not matter here, only whether: any transform will do.
    std::vector<PixelRect> rects;
    collectOwnPaint(view, CGAffineTransformIdentity, 1.0f, records, rects);
    if (!rects.empty())
        return false;
    const UIView* painting = nullptr;
    for (const auto& child : view.subviews()) {
        if (!shows(*child))
            continue;
        collectPaint(*child, CGAffineTransformIdentity, 1.0f, records, rects);
        if (rects.empty())
            continue;
        if (painting)
            return false;
        painting = child.get();
        rects.clear();
    }
    return painting && clampedAlpha(painting->presentationAlpha()) < 1.0f;
}

void collectPaint(const UIView& view, CGAffineTransform toDevice, float scale, const ViewRecords& records, std::vector<PixelRect>& rects)
{
    collectOwnPaint(view, toDevice, scale, records, rects);
    for (const auto& child : view.subviews())
        if (shows(*child))
            collectPaint(*child, CGAffineTransformConcat(localToParent(*child), toDevice), scale, records, rects);
}

} // namespace compositor
