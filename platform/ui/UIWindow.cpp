#include "platform/ui/UIWindow.h"

#include "platform/foundation/Clock.h"
#include "platform/runtime/RuntimeThunks.h"
#include "platform/ui/UIState.h"
#include "platform/ui/UIViewController.h"

#include <algorithm>

namespace {

const ClassRegistration registration = ClassRegistration::of<UIWindow>()
                                           .method("makeKeyAndVisible", imp_implementationWithMember<&UIWindow::makeKeyAndVisible>())
                                           .method("makeKeyWindow", imp_implementationWithMember<&UIWindow::makeKeyWindow>())
                                           .method("resignKeyWindow", imp_implementationWithMember<&UIWindow::resignKeyWindow>());

WindowList& windows() { return UIState::current().windows(); }

bool listed(const UIWindow* window)
{
    const auto& all = windows().frontToBack;
    return std::any_of(all.begin(), all.end(), [window](const auto& w) { return w.get() == window; });
}

} // namespace

UIWindow::UIWindow() = default;

UIWindow::~UIWindow() = default;

void UIWindow::setRootViewController(std::shared_ptr<UIViewController> controller)
{
    if (controller == rootViewController_)
        return;
    if (rootViewController_ && rootViewController_->isViewLoaded()) {
        auto old = rootViewController_->view();
        if (old && old->superview().get() == this)
            old->removeFromSuperview();
    }
    rootViewController_ = std::move(controller);
    if (!rootViewController_)
        return;
    auto view = rootViewController_->view();
    if (!view)
        return;
    view->setFrame(bounds());
    addSubview(view);
    // A window already on screen shows its new root controller's view at once.
    if (isVisible()) {
        rootViewController_->viewWillAppear(false);
        rootViewController_->viewDidAppear(false);
    }
}

void UIWindow::makeKeyAndVisible()
{
    auto self = std::dynamic_pointer_cast<UIWindow>(weak_from_this().lock());
    if (!self)
        return;
    bool wasVisible = isVisible();
    auto& all = windows().frontToBack;
    all.erase(std::remove(all.begin(), all.end(), self), all.end());
    all.insert(all.begin(), self);
    if (isHidden())
        setHidden(false);
    noteAppearanceChanged();
    makeKeyWindow();
    auto controller = wasVisible ? nullptr : rootViewController_;
    if (controller)
        controller->viewWillAppear(false);
    // Layout runs before the window is first shown, after the controller has readied its view.
    layoutIfNeeded();
    if (controller)
        controller->viewDidAppear(false);
}

void UIWindow::makeKeyWindow()
{
    auto self = std::dynamic_pointer_cast<UIWindow>(weak_from_this().lock());
    if (!self)
        return;
    auto previous = windows().key.lock();
    if (previous == self)
        return;
    windows().key = self;
    if (previous)
        previous->didResignKeyWindow();
    becomeKeyWindow();
}

void UIWindow::resignKeyWindow()
{
    if (!isKeyWindow())
        return;
    windows().key.reset();
    didResignKeyWindow();
}

bool UIWindow::isKeyWindow() const { return windows().key.lock().get() == this; }

bool UIWindow::isVisible() const { return !isHidden() && listed(this); }

std::shared_ptr<UIWindow> UIWindow::keyWindow() { return windows().key.lock(); }

std::vector<std::shared_ptr<UIWindow>> UIWindow::windowsFrontToBack() { return windows().frontToBack; }

CGPoint UIWindow::convertPointFromScreen(CGPoint screenPoint) const { return convertPointFromSuperviewSpace(screenPoint); }

CGPoint UIWindow::convertPointToScreen(CGPoint windowPoint) const { return convertPointToSuperviewSpace(windowPoint); }

void UIWindow::layoutSubviews()
{
    if (rootViewController_ && rootViewController_->isViewLoaded()) {
        auto view = rootViewController_->view();
        if (view && view->superview().get() == this && view->frame() != bounds())
            view->setFrame(bounds());
    }
}

bool UIWindow::sendTouch(UITouchPhase phase, CGPoint pointInWindow)
{
    auto self = std::dynamic_pointer_cast<UIWindow>(weak_from_this().lock());
    if (!self)
        return false;
    UIEvent event;
    event.setTimestamp(Clock::current().monotonicNow());

    if (phase == UITouchPhase::Began) {
        if (!isKeyWindow())
            return false;
        // Geometry is settled before anything is hit-tested against it.
        layoutIfNeeded();
        touch_ = std::make_shared<UITouch>();
        touch_->setWindow(self);
        touch_->setLocationInWindow(pointInWindow);
        touch_->setLocationInWindow(pointInWindow);
        touch_->setPhase(UITouchPhase::Began);
        touch_->setTimestamp(event.timestamp());
        touchView_ = hitTest(pointInWindow, &event);
        touch_->setView(touchView_);
        if (touchView_)
            touchView_->touchesBegan(UITouchSet({ touch_ }), &event);
        return true;
    }

    if (!touch_)
        return false;
    // The touch keeps its view (and the view stays alive) until it ends, whatever happens to it.
    auto touch = touch_;
    auto view = touchView_;
    touch->setLocationInWindow(pointInWindow);
    touch->setPhase(phase);
    touch->setTimestamp(event.timestamp());
    bool finished = phase == UITouchPhase::Ended || phase == UITouchPhase::Cancelled;
    if (finished) {
        touch_.reset();
        touchView_.reset();
    }
    if (!view)
        return true;
    UITouchSet set({ touch });
    switch (phase) {
    case UITouchPhase::Moved:
    case UITouchPhase::Stationary:
        view->touchesMoved(set, &event);
        break;
    case UITouchPhase::Ended:
        view->touchesEnded(set, &event);
        break;
    case UITouchPhase::Cancelled:
        view->touchesCancelled(set, &event);
        break;
    case UITouchPhase::Began:
        break;
    }
    return true;
}
