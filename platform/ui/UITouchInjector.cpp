#include "platform/ui/UITouchInjector.h"

#include "platform/ui/UIState.h"
#include "platform/ui/UIWindow.h"

UITouchInjector& UITouchInjector::shared() { return UIState::current().touchInjector(); }

bool UITouchInjector::down(CGPoint screenPoint)
{
    if (window_)
        return false;
    auto window = UIWindow::keyWindow();
    if (!window)
        return false;
    CGPoint p = window->convertPointFromScreen(screenPoint);
    if (!window->sendTouch(UITouchPhase::Began, p))
        return false;
    window_ = window;
    last_ = p;
    return true;
}

void UITouchInjector::move(CGPoint screenPoint)
{
    if (!window_)
        return;
    last_ = window_->convertPointFromScreen(screenPoint);
    window_->sendTouch(UITouchPhase::Moved, last_);
}

void UITouchInjector::up()
{
    if (!window_)
        return;
    auto window = std::move(window_);
    window_.reset();
    window->sendTouch(UITouchPhase::Ended, last_);
}

void UITouchInjector::cancel()
{
    if (!window_)
        return;
    auto window = std::move(window_);
    window_.reset();
    window->sendTouch(UITouchPhase::Cancelled, last_);
}

void UITouchInjector::forget()
{
    window_.reset();
    last_ = {};
}
