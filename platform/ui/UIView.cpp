// The view's own state: initialisation, geometry and appearance, and the requests for layout and
// display. The tree is in UIViewHierarchy.cpp, coordinates and hit-testing in
// UIViewCoordinates.cpp, drawing in UIViewDrawing.cpp.
#include "platform/ui/UIView.h"

#include "platform/foundation/NSNumber.h"
#include "platform/runtime/RuntimeThunks.h"
#include "platform/ui/UIViewAnimator.h"

#include <cstdio>

namespace {

const ClassRegistration registration = ClassRegistration::of<UIView>()
                                           .method("layoutSubviews", imp_implementationWithMember<&UIView::layoutSubviews>())
                                           .method("layoutIfNeeded", imp_implementationWithMember<&UIView::layoutIfNeeded>())
                                           .method("setNeedsLayout", imp_implementationWithMember<&UIView::setNeedsLayout>())
                                           .method("setNeedsDisplay", imp_implementationWithMember<&UIView::setNeedsDisplay>())
                                           .method("removeFromSuperview", imp_implementationWithMember<&UIView::removeFromSuperview>());

bool sameSize(CGSize a, CGSize b) { return a.width == b.width && a.height == b.height; }

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

std::shared_ptr<UIView> UIView::sharedView() const
{
    return std::const_pointer_cast<UIView>(std::dynamic_pointer_cast<const UIView>(weak_from_this().lock()));
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
    auto keep = sharedView();
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
