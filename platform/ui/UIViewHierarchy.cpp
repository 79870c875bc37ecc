// The view tree: adding, moving and removing children, and finding views in it.
#include "platform/ui/UIView.h"

#include "platform/ui/UIWindow.h"

#include <algorithm>

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
    auto self = sharedView();
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
    auto keep = sharedView();
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
        return sharedView();
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
        return std::dynamic_pointer_cast<UIWindow>(sharedView());
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
