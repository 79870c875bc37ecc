#include "platform/ui/UIApplication.h"

#include "platform/foundation/NSNotificationCenter.h"
#include "platform/foundation/NSUserDefaults.h"
#include "platform/foundation/NSNumber.h"
#include "platform/graphics/UIImage.h"
#include "platform/runtime/RuntimeThunks.h"
#include "platform/ui/UIState.h"
#include "platform/ui/UIWindow.h"

namespace {

// Tools ask the application for its delegate by message, as they would on the device.
NSObject* applicationDelegate(NSObject* self, SEL)
{
    auto* application = dynamic_cast<UIApplication*>(self);
    return application ? application->delegate().get() : nullptr;
}

const ClassRegistration registration = ClassRegistration::of<UIApplication>()
                                           .method("delegate", reinterpret_cast<IMP>(&applicationDelegate));

} // namespace

std::shared_ptr<UIApplication> UIApplication::sharedApplication() { return UIState::current().application(); }

BOOL UIApplication::finishLaunching(NSDictionary* launchOptions)
{
    // The delegate may replace itself or the application's state while it runs: keep it alive.
    const std::shared_ptr<NSObject> delegate = delegate_;
    state_ = UIApplicationState::Active;
    const BOOL result = objc_msgSend<BOOL>(delegate.get(), sel("application:didFinishLaunchingWithOptions:"), this, launchOptions);
    launched_ = true;
    return result;
}

void UIApplication::enterBackground()
{
    const std::shared_ptr<NSObject> delegate = delegate_;
    state_ = UIApplicationState::Background;
    objc_msgSend<void>(delegate.get(), sel("applicationDidEnterBackground:"), this);
    NSNotificationCenter::defaultCenter().postNotificationName("UIApplicationDidEnterBackgroundNotification", this);
    // As Foundation does on the way to the background: whatever an earlier synchronize could not
    // write (a full disk, an I/O error) gets another chance before the process may be ended.
    NSUserDefaults::standardUserDefaults()->synchronize();
}

void UIApplication::enterForeground()
{
    const std::shared_ptr<NSObject> delegate = delegate_;
    state_ = UIApplicationState::Inactive;
    objc_msgSend<void>(delegate.get(), sel("applicationWillEnterForeground:"), this);
    state_ = UIApplicationState::Active;
}

std::shared_ptr<UIWindow> UIApplication::keyWindow() const { return UIWindow::keyWindow(); }

std::shared_ptr<NSObject> UIApplication::valueForKey(const std::string& key) const
{
    if (key == "delegate")
        return delegate_;
    if (key == "applicationState")
        return NSNumber::numberWithInteger(static_cast<std::int64_t>(state_));
    return NSObject::valueForKey(key);
}

void UIApplication::forget()
{
    // The delegate may reach the application as it goes: let it find one without a delegate.
    auto delegate = std::move(delegate_);
    delegate_.reset();
    backgroundCover_.reset();
    launched_ = false;
    state_ = UIApplicationState::Active;
}
