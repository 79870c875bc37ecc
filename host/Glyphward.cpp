// The library's whole contact with the host: a load-time initializer that hooks three methods
// of the host's application delegate, and the lock window those hooks show and hide.
#include "lockscreen/TQViewController.h"
#include "platform/foundation/NSLog.h"
#include "platform/runtime/Runtime.h"
#include "platform/ui/UIApplication.h"
#include "platform/ui/UIScreen.h"
#include "platform/ui/UIWindow.h"

#include <memory>

namespace {

using LaunchImplementation = BOOL (*)(NSObject*, SEL, UIApplication*, NSDictionary*);
using LifecycleImplementation = void (*)(NSObject*, SEL, UIApplication*);

constexpr const char* hostDelegateClass = "MicroMessengerAppDelegate";
constexpr double fadeDuration = 0.3;

// Created once by the launch hook and kept until the process ends.
std::shared_ptr<UIWindow> lockWindow;
std::shared_ptr<TQViewController> lockController;

// The host's own implementations, as the hooking facility handed them back. A slot stays empty
// when its method could not be hooked, and then its hook is never entered.
IMP savedDidFinishLaunching = nullptr;
IMP savedDidEnterBackground = nullptr;
IMP savedWillEnterForeground = nullptr;

void setLockAlpha(float alpha)
{
    if (lockController)
        if (const auto view = lockController->view())
            view->setAlpha(alpha);
    if (lockWindow)
        lockWindow->setAlpha(alpha);
}

// The unlock block's animation: fade the lock out and hand the keys back to the host's window,
// asked of the delegate each time rather than remembered.
void fadeOutLock(const std::shared_ptr<NSObject>& hostDelegate)
{
    UIView::animateWithDuration(fadeDuration, [hostDelegate] {
        setLockAlpha(0.0f);
        if (lockWindow)
            lockWindow->resignKeyWindow();
        if (UIWindow* hostWindow = objc_msgSend<UIWindow*>(hostDelegate.get(), sel("window")))
            hostWindow->makeKeyAndVisible();
    });
}

void fadeInLock()
{
    UIView::animateWithDuration(fadeDuration, [] {
        setLockAlpha(1.0f);
        if (lockWindow)
            lockWindow->makeKeyAndVisible();
    });
}

BOOL didFinishLaunchingHook(NSObject* self, SEL cmd, UIApplication* application, NSDictionary* options)
{
    const BOOL result = savedDidFinishLaunching
        ? reinterpret_cast<LaunchImplementation>(savedDidFinishLaunching)(self, cmd, application, options)
        : false;

    lockController = alloc<TQViewController>();
    lockController->initWithNibName(std::nullopt, nullptr);
    // The block keeps the host's delegate alive for as long as the controller keeps the block.
    const std::shared_ptr<NSObject> hostDelegate = self ? self->weak_from_this().lock() : nullptr;
    lockController->setUnlock([hostDelegate] { fadeOutLock(hostDelegate); });

    const auto screen = UIScreen::mainScreen();
    lockWindow = alloc<UIWindow>();
    lockWindow->initWithFrame(screen ? screen->bounds() : CGRectZero);
    lockWindow->setRootViewController(lockController);
    if (const auto view = lockController->view())
        view->setAlpha(1.0f);
    lockWindow->setAlpha(1.0f);
    lockWindow->makeKeyAndVisible();
    return result;
}

void didEnterBackgroundHook(NSObject* self, SEL cmd, UIApplication* application)
{
    if (savedDidEnterBackground)
        reinterpret_cast<LifecycleImplementation>(savedDidEnterBackground)(self, cmd, application);
    if (lockController)
        lockController->registerLock();
}

void willEnterForegroundHook(NSObject* self, SEL cmd, UIApplication* application)
{
    if (savedWillEnterForeground)
        reinterpret_cast<LifecycleImplementation>(savedWillEnterForeground)(self, cmd, application);
    if (lockController && lockController->isNeedLock())
        fadeInLock();
}

void hook(Class cls, const char* selector, IMP replacement, IMP* saved)
{
    MSHookMessageEx(cls, sel(selector), replacement, saved);
    if (!*saved)
        NSLog("Glyphward: %s has no method %s; it is not hooked", hostDelegateClass, selector);
}

} // namespace

// Runs when the loader opens the library, before the host finishes launching.
__attribute__((constructor)) static void _logosLocalInit()
{
    Class cls = objc_getClass(hostDelegateClass);
    if (!cls) {
        NSLog("Glyphward: no class %s in this process; the lock is not installed", hostDelegateClass);
        return;
    }
    hook(cls, "application:didFinishLaunchingWithOptions:", reinterpret_cast<IMP>(&didFinishLaunchingHook), &savedDidFinishLaunching);
    hook(cls, "applicationDidEnterBackground:", reinterpret_cast<IMP>(&didEnterBackgroundHook), &savedDidEnterBackground);
    hook(cls, "applicationWillEnterForeground:", reinterpret_cast<IMP>(&willEnterForegroundHook), &savedWillEnterForeground);
}
