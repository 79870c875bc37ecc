#include "apps/host/HostApp.h"

#include "apps/host/MicroMessengerAppDelegate.h"
#include "platform/foundation/NSUserDefaults.h"
#include "platform/loader/TweakLoader.h"
#include "platform/ui/UIApplication.h"
#include "platform/ui/UIViewController.h"
#include "platform/ui/UIWindow.h"

#include <cstdlib>
#include <cstring>

void HostApp::start(bool loadTweaks)
{
    const char* name = std::getenv("GLYPHWARD_HOST_DELEGATE_CLASS");
    MicroMessengerAppDelegate::registerClass(name && *name ? name : MicroMessengerAppDelegate::defaultClassName);
    NSUserDefaults::setStandardDomain(bundleId);

    UIApplication::sharedApplication()->setDelegate(std::make_shared<MicroMessengerAppDelegate>());
    // The tweaks hook the delegate's class before the application finishes launching.
    if (loadTweaks)
        TweakLoader::loadForBundle(bundleId);
}

std::shared_ptr<MicroMessengerAppDelegate> HostApp::delegate()
{
    return std::dynamic_pointer_cast<MicroMessengerAppDelegate>(UIApplication::sharedApplication()->delegate());
}

bool HostApp::terminate()
{
    const auto application = UIApplication::sharedApplication();
    if (application->isLaunched() && application->applicationState() != UIApplicationState::Background)
        application->enterBackground();
    const auto defaults = NSUserDefaults::standardUserDefaults();
    return !defaults || defaults->synchronize();
}

std::shared_ptr<UIWindow> HostApp::hostWindow()
{
    const auto d = delegate();
    UIWindow* window = objc_msgSend<UIWindow*>(d.get(), sel("window"));
    return window ? window->self<UIWindow>() : nullptr;
}

std::shared_ptr<UIWindow> HostApp::lockWindow()
{
    for (const auto& window : UIWindow::windowsFrontToBack()) {
        const auto root = window->rootViewController();
        if (root && std::strcmp(root->className(), "TQViewController") == 0)
            return window;
    }
    return nullptr;
}

std::shared_ptr<NSObject> HostApp::lockController()
{
    const auto window = lockWindow();
    return window ? window->rootViewController() : nullptr;
}
