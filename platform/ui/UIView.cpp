#include "platform/ui/UIView.h"

#include "platform/foundation/NSNumber.h"
#include "platform/runtime/RuntimeThunks.h"
#include "platform/ui/UIViewAnimator.h"
#include "platform/ui/UIWindow.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace {

const ClassRegistration registration = ClassRegistration("UIView", "UIResponder")
                                           .method("layoutSubviews", imp_implementationWithMember<&UIView::layoutSubviews>())
                                           .method("layoutIfNeeded", imp_implementationWithMember<&UIView::layoutIfNeeded>())
                                           .method("setNeedsLayout", imp_implementationWithMember<&UIView::setNeedsLayout>())
                                           .method("setNeedsDisplay", imp_implementationWithMember<&UIView::setNeedsDisplay>())
                                           .method("removeFromSuperview", imp_implementationWithMember<&UIView::removeFromSuperview>());

bool sameSize(CGSize a, CGSize b) { return a.width == b.width && a.height == b.height; }

std::shared_ptr<UIView> strongView(const UIView* view)
{
    return view ? std::const_pointer_cast<UIView>(std::dynamic_pointer_cast<const UIView>(view->weak_from_this().lock())) : nullptr;
}

// The chain from the view up to the root of its tree, the view first.
std::vector<const UIView*> ancestry(const UIView* view)
{
    std::vector<const UIView*> chain;
    for (auto current = strongView(view); current; current = current->superview())
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

// The view whose coordinates a null view stands for: the enclosing window, else the root.
// The window holding the view (the view itself if it is one), else the top of its tree.
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

} // namespace

UIView::UIView() = default;

UIView::~UIView() = default;

std::string UIView::description() const
{
    char text[160];
    std::snprintf(text, sizeof text, "<%s: %p; frame = (%g %g; %g %g)", className(), static_cast<const void*>(this),
        static_cast<double>(frame_.origin.x), static_cast<double>(frame_.origin.y), static_cast<double>(frame_.size.width),
        static_cast<double>(frame_.size.height));
    std::string result = text;
    if (tag_ != 0)
        result += "; tag = " + std::to_string(tag_);
    if (hidden_)
        result += "; hidden = YES";
    if (alpha_ != 1.0f)
        result += "; alpha = " + std::to_string(alpha_);
    return result + ">";
}

std::shared_ptr<NSObject> UIView::valueForKey(const std::string& key) const
{
    if (key == "tag")
        return NSNumber::numberWithInteger(tag_);
    if (key == "alpha")
        return NSNumber::numberWithDouble(static_cast<double>(alpha_));
    if (key == "hidden")
        return NSNumber::numberWithBool(hidden_);
    if (key == "userInteractionEnabled")
        return NSNumber::numberWithBool(userInteractionEnabled_);
    if (key == "clipsToBounds")
        return NSNumber::numberWithBool(clipsToBounds_);
    return UIResponder::valueForKey(key);
}

UIView* UIView::initWithFrame(CGRect frame)
{
    frame_ = frame;
    bounds_ = { {}, frame.size };
    return this;
}

UIView* UIView::initWithCoder(const NSCoder& coder)
{
    initWithFrame(coder.containsValueForKey("frame") ? coder.decodeRectForKey("frame") : CGRectZero);
    if (coder.containsValueForKey("tag"))
        tag_ = static_cast<NSInteger>(coder.decodeDoubleForKey("tag"));
    if (coder.containsValueForKey("alpha"))
        alpha_ = static_cast<float>(coder.decodeDoubleForKey("alpha"));
    if (coder.containsValueForKey("hidden"))
        hidden_ = coder.decodeDoubleForKey("hidden") != 0.0;
    if (coder.containsValueForKey("userInteractionEnabled"))
        userInteractionEnabled_ = coder.decodeDoubleForKey("userInteractionEnabled") != 0.0;
    if (coder.containsValueForKey("backgroundColor"))
        backgroundColor_ = coder.decodeColorForKey("backgroundColor");
    return this;
}

// Geometry.

void UIView::setFrame(CGRect frame)
{
    bool resized = !sameSize(frame.size, frame_.size);
    noteAppearanceChanged();
    frame_ = frame;
    bounds_.size = frame.size;
    noteAppearanceChanged();
    if (resized)
        setNeedsLayout();
}

void UIView::setBounds(CGRect bounds)
{
    bool resized = !sameSize(bounds.size, bounds_.size);
    noteAppearanceChanged();
    if (resized) {
        // The size changes about the centre, as it does on the device.
        CGPoint c = center();
        frame_ = { { c.x - bounds.size.width / 2, c.y - bounds.size.height / 2 }, bounds.size };
    }
    bounds_ = bounds;
    noteAppearanceChanged();
    if (resized)
        setNeedsLayout();
}

CGPoint UIView::center() const { return { CGRectGetMidX(frame_), CGRectGetMidY(frame_) }; }

void UIView::setCenter(CGPoint center)
{
    noteAppearanceChanged();
    frame_.origin = { center.x - frame_.size.width / 2, center.y - frame_.size.height / 2 };
    noteAppearanceChanged();
}

void UIView::setTransform(CGAffineTransform t)
{
    noteAppearanceChanged();
    auto from = presentationTransform();
    transform_ = t;
    UIViewAnimator::shared().transformChanged(*this, from, t);
    noteAppearanceChanged();
}

// Appearance.

void UIView::setAlpha(float a)
{
    float from = presentationAlpha();
    alpha_ = a;
    UIViewAnimator::shared().alphaChanged(*this, from, a);
    noteAppearanceChanged();
}

void UIView::setHidden(bool hidden)
{
    if (hidden == hidden_)
        return;
    noteAppearanceChanged();
    hidden_ = hidden;
    noteAppearanceChanged();
}

void UIView::setBackgroundColor(std::shared_ptr<UIColor> color)
{
    backgroundColor_ = std::move(color);
    noteAppearanceChanged();
}

void UIView::setClipsToBounds(bool clips)
{
    if (clips == clipsToBounds_)
        return;
    clipsToBounds_ = clips;
    noteAppearanceChanged();
}

// Hierarchy.

void UIView::addSubview(const std::shared_ptr<UIView>& view)
{
    insertSubview(view, subviews_.size());
}

void UIView::insertSubview(const std::shared_ptr<UIView>& view, std::size_t index)
{
    // A view cannot hold itself or one of its own ancestors.
    if (!view || view.get() == this || isDescendantOfView(view.get()))
        return;
    if (view->superview().get() == this) {
        auto it = std::find(subviews_.begin(), subviews_.end(), view);
        subviews_.erase(it);
        subviews_.insert(subviews_.begin() + static_cast<std::ptrdiff_t>(std::min(index, subviews_.size())), view);
        view->noteAppearanceChanged();
        return;
    }
    // Only a view that a shared pointer owns can be watched as a superview.
    auto self = strongView(this);
    if (!self)
        return;
    auto keep = view;
    view->removeFromSuperview();
    subviews_.insert(subviews_.begin() + static_cast<std::ptrdiff_t>(std::min(index, subviews_.size())), view);
    view->setSuperview(self);
    if (view->needsLayout_ || view->layoutBelow_)
        view->noteLayoutBelow();
    didAddSubview(view.get());
    view->didMoveToSuperview();
    view->noteAppearanceChanged();
}

void UIView::bringSubviewToFront(const std::shared_ptr<UIView>& view)
{
    if (view && view->superview().get() == this)
        insertSubview(view, subviews_.size());
}

void UIView::removeFromSuperview()
{
    auto parent = superview();
    if (!parent)
        return;
    // The parent's entry may be the last owner of this view.
    auto keep = strongView(this);
    noteAppearanceChanged();
    parent->willRemoveSubview(this);
    auto& siblings = parent->subviews_;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), keep), siblings.end());
    setSuperview(nullptr);
    didMoveToSuperview();
    parent->noteAppearanceChanged();
}

std::shared_ptr<UIView> UIView::viewWithTag(NSInteger tag)
{
    if (tag_ == tag)
        return strongView(this);
    for (const auto& child : subviews_) {
        if (auto found = child->viewWithTag(tag))
            return found;
    }
    return nullptr;
}

bool UIView::isDescendantOfView(const UIView* view) const
{
    if (!view)
        return false;
    if (view == this)
        return true;
    for (auto current = superview(); current; current = current->superview()) {
        if (current.get() == view)
            return true;
    }
    return false;
}

std::shared_ptr<UIWindow> UIView::window() const
{
    if (dynamic_cast<const UIWindow*>(this))
        return std::dynamic_pointer_cast<UIWindow>(std::const_pointer_cast<UIView>(strongView(this)));
    for (auto current = superview(); current; current = current->superview()) {
        if (auto window = std::dynamic_pointer_cast<UIWindow>(current))
            return window;
    }
    return nullptr;
}

std::shared_ptr<UIResponder> UIView::nextResponder() const
{
    if (auto controller = viewController_.lock())
        return controller;
    return superview();
}

void UIView::setSuperview(const std::shared_ptr<UIView>& superview)
{
    auto before = window();
    superview_ = superview;
    superviewRaw_ = superview.get();
    if (window() != before)
        windowChanged();
}

void UIView::windowChanged()
{
    didMoveToWindow();
    auto children = subviews_;
    for (const auto& child : children)
        child->windowChanged();
}

// Coordinates.

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

// The common case of a touch read in a view of its window: the other view is an ancestor.
// Walking up through raw superview links needs no shared pointers and no heap; a chain deeper
// than the buffer, or one that never meets the ancestor, goes the general way.
namespace {
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

// Layout and display.

void UIView::setNeedsLayout()
{
    needsLayout_ = true;
    noteLayoutBelow();
}

void UIView::noteLayoutBelow()
{
    for (auto parent = superview(); parent; parent = parent->superview())
        parent->layoutBelow_ = true;
}

void UIView::layoutIfNeeded()
{
    // A pass runs before every touch and every frame; branches where no view asked for layout
    // are not walked.
    if (!needsLayout_ && !layoutBelow_)
        return;
    auto keep = strongView(this);
    if (needsLayout_) {
        needsLayout_ = false;
        layoutSubviews();
    }
    // Cleared after this view's own layout, which may have asked its children for theirs.
    layoutBelow_ = false;
    auto children = subviews_;
    for (const auto& child : children)
        child->layoutIfNeeded();
}

void UIView::setNeedsDisplay()
{
    needsDisplay_ = true;
    needsDisplayAll_ = true;
    setDisplayChangesPending(true);
}

void UIView::setNeedsDisplayInRect(CGRect rect)
{
    // A rectangle with a NaN or an infinity cannot be trusted to hold the change: redraw it all.
    // (v - v is 0 for every finite v and NaN otherwise.)
    const CGFloat probe = (rect.origin.x - rect.origin.x) + (rect.origin.y - rect.origin.y) + (rect.size.width - rect.size.width)
        + (rect.size.height - rect.size.height);
    if (!(probe == 0)) {
        setNeedsDisplay();
        return;
    }
    if (CGRectIsEmpty(rect))
        return;
    needsDisplayRect_ = CGRectIsEmpty(needsDisplayRect_) ? rect : CGRectUnion(needsDisplayRect_, rect);
    needsDisplay_ = true;
    setDisplayChangesPending(true);
}

// Hit-testing.

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
    return strongView(this);
}

bool UIView::pointInside(CGPoint point, UIEvent*) const { return CGRectContainsPoint(bounds_, point); }
