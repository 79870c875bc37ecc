#pragma once
#include "platform/ui/UIResponder.h"

#include <memory>
#include <string>

class ChatListViewController;
class NSDictionary;
class UIApplication;
class UIWindow;

// The demo host's application delegate. It is registered with the runtime under the name the
// messaging app's delegate has, so a tweak looking that class up finds it.
class MicroMessengerAppDelegate final : public UIResponder {
public:
    static constexpr const char* defaultClassName = "MicroMessengerAppDelegate";

    // Registers the class and its four methods under the name (once per process).
    static void registerClass(const std::string& name);
    static const std::string& registeredName();

    // Its runtime name is chosen when it registers, so it declares its runtime class by hand.
    using RuntimeSuperclass = UIResponder;
    const char* className() const override { return registeredName().c_str(); }

    // application:didFinishLaunchingWithOptions:: builds the main window with the chat list.
    BOOL application(UIApplication* application, NSDictionary* launchOptions);
    void applicationDidEnterBackground(UIApplication* application);
    void applicationWillEnterForeground(UIApplication* application);
    // The main window; null before launch.
    UIWindow* window() const { return window_.get(); }

    // Brings up and puts away the keyboard of the message field.
    void showKeyboard();
    void hideKeyboard();

private:
    std::shared_ptr<UIWindow> window_;
    std::shared_ptr<ChatListViewController> chats_;
};
