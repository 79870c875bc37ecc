#pragma once
#include "platform/ui/UIView.h"

#include <cstdint>
#include <vector>

using UIControlEvents = std::uint32_t;
inline constexpr UIControlEvents UIControlEventTouchDown = 1u << 0;
inline constexpr UIControlEvents UIControlEventTouchDownRepeat = 1u << 1;
inline constexpr UIControlEvents UIControlEventTouchDragInside = 1u << 2;
inline constexpr UIControlEvents UIControlEventTouchDragOutside = 1u << 3;
inline constexpr UIControlEvents UIControlEventTouchDragEnter = 1u << 4;
inline constexpr UIControlEvents UIControlEventTouchDragExit = 1u << 5;
inline constexpr UIControlEvents UIControlEventTouchUpInside = 1u << 6;
inline constexpr UIControlEvents UIControlEventTouchUpOutside = 1u << 7;
inline constexpr UIControlEvents UIControlEventTouchCancel = 1u << 8;
inline constexpr UIControlEvents UIControlEventAllTouchEvents = 0x0FFFu;

using UIControlState = std::uint32_t;
inline constexpr UIControlState UIControlStateNormal = 0;
inline constexpr UIControlState UIControlStateHighlighted = 1u << 0;
inline constexpr UIControlState UIControlStateDisabled = 1u << 1;
inline constexpr UIControlState UIControlStateSelected = 1u << 2;

// A view that turns touches into actions sent to targets.
class UIControl : public UIView {
public:
    GLYPHWARD_RUNTIME_CLASS(UIControl, UIView);

    // Adds (target, action) for the events; the target is only watched, and a pair already
    // present gains the new events.
    void addTarget(const std::shared_ptr<NSObject>& target, SEL action, UIControlEvents events);
    // Removes the events from every entry with that target and action (a null action: any action).
    void removeTarget(const std::shared_ptr<NSObject>& target, SEL action, UIControlEvents events);
    // The actions registered for one event with this target, in the order added.
    std::vector<SEL> actionsForTarget(const std::shared_ptr<NSObject>& target, UIControlEvents event) const;
    UIControlEvents allControlEvents() const;
    // Sends each matching action once, in the order added, through the runtime.
    void sendActionsForControlEvents(UIControlEvents events);

    bool isSelected() const { return selected_; }
    virtual void setSelected(bool selected);
    bool isHighlighted() const { return highlighted_; }
    virtual void setHighlighted(bool highlighted);
    bool isEnabled() const { return enabled_; }
    virtual void setEnabled(bool enabled);
    UIControlState state() const;

    // Touch tracking: down highlights and sends TouchDown; up inside the bounds sends
    // TouchUpInside once, up outside TouchUpOutside; a cancel sends TouchCancel.
    void touchesBegan(const UITouchSet& touches, UIEvent* event) override;
    void touchesMoved(const UITouchSet& touches, UIEvent* event) override;
    void touchesEnded(const UITouchSet& touches, UIEvent* event) override;
    void touchesCancelled(const UITouchSet& touches, UIEvent* event) override;

private:
    struct Entry {
        std::weak_ptr<NSObject> target;
        SEL action;
        UIControlEvents events;
    };
    std::vector<Entry> targets_;
    bool selected_ = false;
    bool highlighted_ = false;
    bool enabled_ = true;
    bool tracking_ = false;
    bool touchInside_ = false;
};
