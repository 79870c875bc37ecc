#pragma once
#include "platform/graphics/CGGeometry.h"

#include <memory>

class UIWindow;

// Plays one finger on the screen as the key window would receive it. Points are screen points.
// The down hit-tests in the key window; moves, the up and a cancel go to the view that took the
// down, in the window that took it. This is the one place that owns the touch: a down while a
// touch is in progress is ignored here, and the windows and input devices that feed it trust
// that rather than judge it again.
class UITouchInjector {
public:
    static UITouchInjector& shared();

    // Answers whether the down began a touch: false while one is in progress or without a key window.
    bool down(CGPoint screenPoint);
    void move(CGPoint screenPoint);
    void up();
    void cancel();

    bool isTouching() const { return window_ != nullptr; }

private:
    friend class UIState;
    // Forgets a touch in progress without telling anyone, as the toolkit does on its way out.
    void forget();

    std::shared_ptr<UIWindow> window_;
    CGPoint last_ {};
};
