#include "host/GlyphwardLock.h"

#include "lockscreen/LockResources.h"
#include "lockscreen/TQViewController.h"
#include "platform/runtime/Runtime.h"
#include "platform/ui/UIApplication.h"
#include "platform/ui/UIScreen.h"
#include "platform/ui/UIWindow.h"

namespace {

constexpr double fadeDuration = 0.3;

} // namespace

void GlyphwardLock::install(const std::shared_ptr<NSObject>& hostDelegate)
{
    controller_ = alloc<TQViewController>();
    controller_->initWithNibName(std::nullopt, nullptr);
    // The block keeps the host's delegate alive for as long as the controller keeps the block.
    controller_->setUnlock([weakLock = weak_from_this(), hostDelegate] {
        if (const auto lock = weakLock.lock())
            lock->fadeOut(hostDelegate);
    });

    const auto screen = UIScreen::mainScreen();
    window_ = alloc<UIWindow>();
    window_->initWithFrame(screen ? screen->bounds() : CGRectZero);
    window_->setRootViewController(controller_);
    setAlpha(1.0f);
    window_->makeKeyAndVisible();
    // While the host is away its window shows the lock's own background picture, never the
    // host's content; the picture is the one the lock screen has just loaded.
    if (const auto application = UIApplication::sharedApplication())
        application->setBackgroundCover(LockResources::image(LockResources::openBundle().get(), LockResources::kBackgroundImage));
}

void GlyphwardLock::registerLock()
{
    if (controller_)
        controller_->registerLock();
}

void GlyphwardLock::fadeInIfNeeded()
{
    if (controller_ && controller_->isNeedLock())
        fadeIn();
}

// The unlock block's animation: fade the lock out and hand the keys back to the host's window,
// asked of the delegate each time rather than remembered. Animation blocks run at once, inside
// animateWithDuration, so they may reach the lock through this.
void GlyphwardLock::fadeOut(const std::shared_ptr<NSObject>& hostDelegate)
{
    UIView::animateWithDuration(fadeDuration, [this, hostDelegate] {
        setAlpha(0.0f);
        if (window_)
            window_->resignKeyWindow();
        if (UIWindow* hostWindow = objc_msgSend<UIWindow*>(hostDelegate.get(), sel("window")))
            hostWindow->makeKeyAndVisible();
    });
}

void GlyphwardLock::fadeIn()
{
    UIView::animateWithDuration(fadeDuration, [this] {
        setAlpha(1.0f);
        if (window_)
            window_->makeKeyAndVisible();
    });
}

// The controller's view first, then the window.
void GlyphwardLock::setAlpha(float alpha)
{
    if (controller_)
        if (const auto view = controller_->view())
            view->setAlpha(alpha);
    if (window_)
        window_->setAlpha(alpha);
}
