#pragma once
#include "platform/ui/UIResponder.h"

#include <memory>
#include <utility>

class NSDictionary;
class UIImage;
class UIWindow;

enum class UIApplicationState { Active = 0, Inactive = 1, Background = 2 };

// The one application object of a toolkit. It owns the application delegate and tells it
// about the application's life through the runtime, so hooks put on the delegate's class see
// every call.
class UIApplication final : public UIResponder {
public:
    GLYPHWARD_RUNTIME_CLASS(UIApplication, UIResponder);
    std::shared_ptr<NSObject> valueForKey(const std::string& key) const override;

    // The application object of the toolkit in force; the same one while it lives.
    static std::shared_ptr<UIApplication> sharedApplication();

    // The delegate that gets the life-cycle messages, or null.
    std::shared_ptr<NSObject> delegate() const { return delegate_; }
    void setDelegate(std::shared_ptr<NSObject> delegate) { delegate_ = std::move(delegate); }

    // Sends application:didFinishLaunchingWithOptions: to the delegate and answers its result
    // (NO without a delegate that answers it).
    BOOL finishLaunching(NSDictionary* launchOptions = nullptr);
    // Sends applicationDidEnterBackground:, then posts UIApplicationDidEnterBackgroundNotification.
    void enterBackground();
    // Sends applicationWillEnterForeground: and makes the application active again.
    void enterForeground();

    bool isLaunched() const { return launched_; }
    UIApplicationState applicationState() const { return state_; }
    // The key window of the toolkit, or null.
    std::shared_ptr<UIWindow> keyWindow() const;

    // The picture a window shows in place of the screen while the application is in the
    // background (what a task switcher or a screen share sees of it), stretched over the whole
    // screen; null until one is given, which leaves the window a plain cover.
    const std::shared_ptr<UIImage>& backgroundCover() const { return backgroundCover_; }
    void setBackgroundCover(std::shared_ptr<UIImage> picture) { backgroundCover_ = std::move(picture); }

private:
    friend class UIState;
    // Lets go of the delegate and the launch, as the toolkit does on its way out.
    void forget();

    std::shared_ptr<NSObject> delegate_;
    std::shared_ptr<UIImage> backgroundCover_;
    bool launched_ = false;
    UIApplicationState state_ = UIApplicationState::Active;
};
