#include "platform/ui/UIControl.h"

#include "platform/runtime/RuntimeThunks.h"
#include "platform/ui/UITouch.h"

#include <algorithm>

namespace {

bool sameTarget(const std::weak_ptr<NSObject>& watched, const std::shared_ptr<NSObject>& target)
{
    return !watched.owner_before(target) && !target.owner_before(watched);
}
} // namespace

void UIControl::addTarget(const std::shared_ptr<NSObject>& target, SEL action, UIControlEvents events)
{
    if (!target || !action || events == 0)
        return;
    for (Entry& entry : targets_) {
        if (entry.action == action && sameTarget(entry.target, target)) {
            entry.events |= events;
            return;
        }
    }
    targets_.push_back({ target, action, events });
}

void UIControl::removeTarget(const std::shared_ptr<NSObject>& target, SEL action, UIControlEvents events)
{
    for (Entry& entry : targets_) {
        if ((!target || sameTarget(entry.target, target)) && (!action || entry.action == action))
            entry.events &= ~events;
    }
    targets_.erase(std::remove_if(targets_.begin(), targets_.end(), [](const Entry& e) { return e.events == 0 || e.target.expired(); }),
        targets_.end());
}

std::vector<SEL> UIControl::actionsForTarget(const std::shared_ptr<NSObject>& target, UIControlEvents event) const
{
    std::vector<SEL> actions;
    for (const Entry& entry : targets_) {
        if ((entry.events & event) != 0 && !entry.target.expired() && sameTarget(entry.target, target))
            actions.push_back(entry.action);
    }
    return actions;
}

UIControlEvents UIControl::allControlEvents() const
{
    UIControlEvents all = 0;
    for (const Entry& entry : targets_) {
        if (!entry.target.expired())
            all |= entry.events;
    }
    return all;
}

void UIControl::sendActionsForControlEvents(UIControlEvents events)
{
    // An action may add or remove targets; this delivery uses the list as it stood, and keeps
    // the control alive while its actions run.
    auto keep = weak_from_this().lock();
    auto entries = targets_;
    for (const Entry& entry : entries) {
        if ((entry.events & events) == 0)
            continue;
        if (auto target = entry.target.lock())
            objc_sendAction(target.get(), entry.action, this);
    }
}

void UIControl::setSelected(bool selected)
{
    if (selected == selected_)
        return;
    selected_ = selected;
    noteAppearanceChanged();
}

void UIControl::setHighlighted(bool highlighted)
{
    if (highlighted == highlighted_)
        return;
    highlighted_ = highlighted;
    noteAppearanceChanged();
}

void UIControl::setEnabled(bool enabled)
{
    if (enabled == enabled_)
        return;
    enabled_ = enabled;
    noteAppearanceChanged();
}

UIControlState UIControl::state() const
{
    UIControlState s = UIControlStateNormal;
    if (highlighted_)
        s |= UIControlStateHighlighted;
    if (!enabled_)
        s |= UIControlStateDisabled;
    if (selected_)
        s |= UIControlStateSelected;
    return s;
}

// A touch is tracked from its down; the up inside fires once, however often the end is reported.

void UIControl::touchesBegan(const UITouchSet& touches, UIEvent*)
{
    auto touch = touches.anyObject();
    if (!touch || !enabled_)
        return;
    tracking_ = true;
    touchInside_ = true;
    setHighlighted(true);
    sendActionsForControlEvents(UIControlEventTouchDown);
}

void UIControl::touchesMoved(const UITouchSet& touches, UIEvent*)
{
    auto touch = touches.anyObject();
    if (!touch || !tracking_)
        return;
    bool inside = pointInside(touch->locationInView(this), nullptr);
    UIControlEvents events = inside ? UIControlEventTouchDragInside : UIControlEventTouchDragOutside;
    if (inside != touchInside_)
        events |= inside ? UIControlEventTouchDragEnter : UIControlEventTouchDragExit;
    touchInside_ = inside;
    setHighlighted(inside);
    sendActionsForControlEvents(events);
}

void UIControl::touchesEnded(const UITouchSet& touches, UIEvent*)
{
    auto touch = touches.anyObject();
    if (!touch || !tracking_)
        return;
    tracking_ = false;
    bool inside = pointInside(touch->locationInView(this), nullptr);
    setHighlighted(false);
    sendActionsForControlEvents(inside ? UIControlEventTouchUpInside : UIControlEventTouchUpOutside);
}

void UIControl::touchesCancelled(const UITouchSet&, UIEvent*)
{
    if (!tracking_)
        return;
    tracking_ = false;
    setHighlighted(false);
    sendActionsForControlEvents(UIControlEventTouchCancel);
}
