#pragma once
#include "platform/graphics/CGGeometry.h"

#include <memory>

class UIWindow;

// Plays one finger on the screen as the key window would receive it. Points are screen points.
// The down hit-tests in the key window; moves, the up and a cancel go to the view that took the
// down, in the window that took it. A down while a touch is in progress is ignored.
class UITouchInjector {
public:
    static UITouchInjector& shared();

    void down(CGPoint screenPoint);
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
