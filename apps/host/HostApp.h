#pragma once
#include <memory>
#include <string>

class MicroMessengerAppDelegate;
class NSObject;
class UIWindow;

// The demo host process: its delegate on the shared application, the tweaks loaded before
// launch, and the windows a tool looks at from outside the lock's code.
class HostApp {
public:
    static constexpr const char* bundleId = "org.glyphward.host";

    // Registers the delegate class (under $GLYPHWARD_HOST_DELEGATE_CLASS when set, for tests of
    // a host the lock does not know), makes the delegate, and runs the loader unless told not to.
    static void start(bool loadTweaks);
    static std::shared_ptr<MicroMessengerAppDelegate> delegate();
    // The window was closed: the host goes to the background as it would on the device (so the
    // lock records the time), then the settings store is written out. False when it could not be.
    static bool terminate();

    // The host's main window, as its delegate answers it; null before launch.
    static std::shared_ptr<UIWindow> hostWindow();
    // The window whose root view controller is the lock screen; null when there is none.
    static std::shared_ptr<UIWindow> lockWindow();
    // The lock screen's controller, reached only through the runtime; null when there is none.
    static std::shared_ptr<NSObject> lockController();
};
