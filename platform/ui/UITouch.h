#pragma once
#include "platform/graphics/CGGeometry.h"
#include "platform/runtime/NSObject.h"

#include <memory>

class UIView;
class UIWindow;

enum class UITouchPhase { Began = 0, Moved = 1, Stationary = 2, Ended = 3, Cancelled = 4 };

// One finger on the screen. Its location is kept in its window's coordinates.
class UITouch final : public NSObject {
public:
    GLYPHWARD_RUNTIME_CLASS(UITouch, NSObject);

    // The location in the view's coordinates (the window's when view is null).
    CGPoint locationInView(const UIView* view) const;
    UITouchPhase phase() const { return phase_; }
    double timestamp() const { return timestamp_; }
    std::shared_ptr<UIView> view() const { return view_.lock(); }
    std::shared_ptr<UIWindow> window() const { return window_.lock(); }

    // Set by the window that delivers the touch.
    void setPhase(UITouchPhase phase) { phase_ = phase; }
    void setTimestamp(double t) { timestamp_ = t; }
    void setView(const std::shared_ptr<UIView>& view) { view_ = view; }
    void setWindow(const std::shared_ptr<UIWindow>& window) { window_ = window; }
    void setLocationInWindow(CGPoint p) { location_ = p; }

private:
    CGPoint location_ {};
    UITouchPhase phase_ = UITouchPhase::Began;
    double timestamp_ = 0;
    std::weak_ptr<UIView> view_;
    std::weak_ptr<UIWindow> window_;
};

// The event a delivery belongs to.
class UIEvent final : public NSObject {
public:
    GLYPHWARD_RUNTIME_CLASS(UIEvent, NSObject);
    double timestamp() const { return timestamp_; }
    void setTimestamp(double t) { timestamp_ = t; }

private:
    double timestamp_ = 0;
};
