// Points and rectangles through the view tree, and hit-testing, which walks it with a point.
#include "platform/ui/UIView.h"

#include "platform/ui/UIWindow.h"

#include <algorithm>
#include <array>

namespace {

// The chain from the view up to the root of its tree, the view first.
std::vector<const UIView*> ancestry(const UIView* view)
{
    std::vector<const UIView*> chain;
    for (auto current = view ? view->sharedView() : nullptr; current; current = current->superview())
        chain.push_back(current.get());
    // A view that no shared pointer owns can still convert in its own space.
    if (chain.empty() && view)
        chain.push_back(view);
    return chain;
}

// One step of a conversion: through `view` up into its superview's space, or down out of it.
struct Step {
    const UIView* view;
    bool up;
};

// The steps from `from` to `to`, through their nearest common ancestor; views in different
// trees meet in screen space (a root window's frame is in screen points).
std::vector<Step> pathBetween(const UIView* from, const UIView* to)
{
    auto up = ancestry(from);
    auto down = ancestry(to);
    std::vector<Step> steps;
    std::size_t meetUp = up.size();
    std::size_t meetDown = down.size();
    for (std::size_t i = 0; i < up.size() && meetUp == up.size(); ++i) {
        auto it = std::find(down.begin(), down.end(), up[i]);
        if (it != down.end()) {
            meetUp = i;
            meetDown = static_cast<std::size_t>(it - down.begin());
        }
    }
    for (std::size_t i = 0; i < meetUp; ++i)
        steps.push_back({ up[i], true });
    for (std::size_t i = meetDown; i-- > 0;)
        steps.push_back({ down[i], false });
    return steps;
}

// The view whose coordinates a null view stands for: the window holding the view (the view
// itself if it is one), else the top of its tree.
// Raw pointers suffice: the caller's reference keeps the view, and so its ancestors, alive.
const UIView* windowOrRoot(const UIView* view)
{
    const UIView* top = view;
    for (const UIView* current = view; current; current = current->superviewPointer()) {
        if (dynamic_cast<const UIWindow*>(current))
            return current;
        top = current;
    }
    return top;
}

CGPoint applySteps(const std::vector<Step>& steps, CGPoint point)
{
    for (const Step& step : steps)
        point = step.up ? step.view->convertPointToSuperviewSpace(point) : step.view->convertPointFromSuperviewSpace(point);
    return point;
}

CGRect applyStepsToRect(const std::vector<Step>& steps, CGRect rect)
{
    bool plain = std::all_of(steps.begin(), steps.end(), [](const Step& s) { return CGAffineTransformIsIdentity(s.view->transform()); });
    if (plain)
        return { applySteps(steps, rect.origin), rect.size };
    std::array<CGPoint, 4> corners { rect.origin, CGPoint { CGRectGetMaxX(rect), rect.origin.y },
        CGPoint { rect.origin.x, CGRectGetMaxY(rect) }, CGPoint { CGRectGetMaxX(rect), CGRectGetMaxY(rect) } };
    CGPoint first = applySteps(steps, corners[0]);
    CGFloat minX = first.x, maxX = first.x, minY = first.y, maxY = first.y;
    for (std::size_t i = 1; i < corners.size(); ++i) {
        CGPoint p = applySteps(steps, corners[i]);
        minX = std::min(minX, p.x);
        maxX = std::max(maxX, p.x);
        minY = std::min(minY, p.y);
        maxY = std::max(maxY, p.y);
    }
    return { { minX, minY }, { maxX - minX, maxY - minY } };
}

// The common case of a touch read in a view of its window: the other view is an ancestor.
// Walking up through raw superview links needs no shared pointers and no heap; a chain deeper
// than the buffer, or one that never meets the ancestor, goes the general way.
constexpr int kShortChain = 32;

int chainBelowAncestor(const UIView* view, const UIView* ancestor, const UIView* (&chain)[kShortChain])
{
    int count = 0;
    for (const UIView* current = view; current; current = current->superviewPointer()) {
        if (current == ancestor)
            return count;
        if (count == kShortChain)
            return -1;
        chain[count++] = current;
    }
    return -1;
}

} // namespace

CGPoint UIView::convertPointToSuperviewSpace(CGPoint p) const
{
    CGPoint u { p.x + frame_.origin.x - bounds_.origin.x, p.y + frame_.origin.y - bounds_.origin.y };
    if (CGAffineTransformIsIdentity(transform_))
        return u;
    // The transform turns about the centre of the frame.
    CGPoint c = center();
    CGPoint d = CGPointApplyAffineTransform({ u.x - c.x, u.y - c.y }, transform_);
    return { c.x + d.x, c.y + d.y };
}

CGPoint UIView::convertPointFromSuperviewSpace(CGPoint p) const
{
    CGPoint u = p;
    if (!CGAffineTransformIsIdentity(transform_)) {
        CGPoint c = center();
        CGPoint d = CGPointApplyAffineTransform({ p.x - c.x, p.y - c.y }, CGAffineTransformInvert(transform_));
        u = { c.x + d.x, c.y + d.y };
    }
    return { u.x - frame_.origin.x + bounds_.origin.x, u.y - frame_.origin.y + bounds_.origin.y };
}

CGPoint UIView::convertPointToView(CGPoint point, const UIView* view) const
{
    const UIView* target = view ? view : windowOrRoot(this);
    const UIView* chain[kShortChain];
    int count = chainBelowAncestor(this, target, chain);
    for (int i = 0; i < count; ++i)
        point = chain[i]->convertPointToSuperviewSpace(point);
    if (count >= 0)
        return point;
    return applySteps(pathBetween(this, target), point);
}

CGPoint UIView::convertPointFromView(CGPoint point, const UIView* view) const
{
    const UIView* target = view ? view : windowOrRoot(this);
    const UIView* chain[kShortChain];
    int count = chainBelowAncestor(this, target, chain);
    for (int i = count; i-- > 0;)
        point = chain[i]->convertPointFromSuperviewSpace(point);
    if (count >= 0)
        return point;
    return applySteps(pathBetween(target, this), point);
}

CGRect UIView::convertRectToView(CGRect rect, const UIView* view) const
{
    return applyStepsToRect(pathBetween(this, view ? view : windowOrRoot(this)), rect);
}

CGRect UIView::convertRectFromView(CGRect rect, const UIView* view) const
{
    return applyStepsToRect(pathBetween(view ? view : windowOrRoot(this), this), rect);
}

std::shared_ptr<UIView> UIView::hitTest(CGPoint point, UIEvent* event)
{
    // Written so that a NaN alpha, which draws nothing, takes no touches either.
    if (hidden_ || !(alpha_ >= 0.01f) || !userInteractionEnabled_ || !pointInside(point, event))
        return nullptr;
    // One child is held at a time, front to back: should an override change the list while it
    // is walked, the walk only skips what is gone, and no copy of the list is made per touch.
    for (std::size_t i = subviews_.size(); i-- > 0;) {
        if (i >= subviews_.size())
            continue;
        const std::shared_ptr<UIView> child = subviews_[i];
        if (auto hit = child->hitTest(child->convertPointFromSuperviewSpace(point), event))
            return hit;
    }
    return sharedView();
}

bool UIView::pointInside(CGPoint point, UIEvent*) const { return CGRectContainsPoint(bounds_, point); }
