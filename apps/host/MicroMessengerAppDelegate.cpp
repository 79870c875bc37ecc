#include "apps/host/MicroMessengerAppDelegate.h"

#include "apps/host/ChatListViewController.h"
#include "platform/runtime/RuntimeThunks.h"
#include "platform/ui/UIScreen.h"
#include "platform/ui/UITextField.h"
#include "platform/ui/UIWindow.h"

namespace {

std::string& nameSlot()
{
    static std::string name = MicroMessengerAppDelegate::defaultClassName;
    return name;
}

} // namespace

void MicroMessengerAppDelegate::registerClass(const std::string& name)
{
    static bool registered = false;
    if (registered)
        return;
    registered = true;
    nameSlot() = name;
    ClassRegistration::of<MicroMessengerAppDelegate>(nameSlot().c_str())
        .method("application:didFinishLaunchingWithOptions:", imp_implementationWithMember<&MicroMessengerAppDelegate::application>())
        .method("applicationDidEnterBackground:", imp_implementationWithMember<&MicroMessengerAppDelegate::applicationDidEnterBackground>())
        .method("applicationWillEnterForeground:", imp_implementationWithMember<&MicroMessengerAppDelegate::applicationWillEnterForeground>())
        .method("window", imp_implementationWithMember<&MicroMessengerAppDelegate::window>());
}

const std::string& MicroMessengerAppDelegate::registeredName() { return nameSlot(); }

BOOL MicroMessengerAppDelegate::application(UIApplication*, NSDictionary*)
{
    const auto screen = UIScreen::mainScreen();
    window_ = alloc<UIWindow>();
    window_->initWithFrame(screen ? screen->bounds() : CGRectZero);
    chats_ = alloc<ChatListViewController>();
    chats_->init();
    window_->setRootViewController(chats_);
    window_->makeKeyAndVisible();
    return true;
}

// The messaging app keeps nothing to save on the way out; the keyboard is the tweak's business.
void MicroMessengerAppDelegate::applicationDidEnterBackground(UIApplication*) { }

void MicroMessengerAppDelegate::applicationWillEnterForeground(UIApplication*) { }

void MicroMessengerAppDelegate::showKeyboard()
{
    if (chats_ && chats_->messageField())
        chats_->messageField()->becomeFirstResponder();
}

void MicroMessengerAppDelegate::hideKeyboard()
{
    if (chats_ && chats_->messageField())
        chats_->messageField()->resignFirstResponder();
}
