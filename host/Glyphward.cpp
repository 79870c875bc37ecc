// The library's whole contact with the host: a load-time initializer that hooks three methods
// of the host's application delegate, and the hooks that show and hide the lock through the
// library's one GlyphwardLock.
#include "host/GlyphwardLock.h"
#include "lockscreen/LockResources.h"
#include "platform/foundation/NSLog.h"
#include "platform/runtime/Runtime.h"
#include "platform/ui/UIApplication.h"

#include <memory>

namespace {

using LaunchImplementation = BOOL (*)(NSObject*, SEL, UIApplication*, NSDictionary*);
using LifecycleImplementation = void (*)(NSObject*, SEL, UIApplication*);

constexpr const char* hostDelegateClass = "MicroMessengerAppDelegate";

// The lock controller and the lock window, empty until the launch hook and kept until the
// process ends.
GlyphwardLock& theLock()
{
    static const std::shared_ptr<GlyphwardLock> lock = std::make_shared<GlyphwardLock>();
    return *lock;
}

// The host's own implementations, as the hooking facility handed them back. A slot stays empty
// when its method could not be hooked, and then its hook is never entered.
IMP savedDidFinishLaunching = nullptr;
IMP savedDidEnterBackground = nullptr;
IMP savedWillEnterForeground = nullptr;

BOOL didFinishLaunchingHook(NSObject* self, SEL cmd, UIApplication* application, NSDictionary* options)
{
    const BOOL result = savedDidFinishLaunching
        ? reinterpret_cast<LaunchImplementation>(savedDidFinishLaunching)(self, cmd, application, options)
        : false;
    theLock().install(self ? self->weak_from_this().lock() : nullptr);
    return result;
}

void didEnterBackgroundHook(NSObject* self, SEL cmd, UIApplication* application)
{
    if (savedDidEnterBackground)
        reinterpret_cast<LifecycleImplementation>(savedDidEnterBackground)(self, cmd, application);
    theLock().registerLock();
}

void willEnterForegroundHook(NSObject* self, SEL cmd, UIApplication* application)
{
    if (savedWillEnterForeground)
        reinterpret_cast<LifecycleImplementation>(savedWillEnterForeground)(self, cmd, application);
    theLock().fadeInIfNeeded();
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
    // The lock shows its pictures at launch: decoding them now overlaps the host's own launch.
    LockResources::prefetchImages();
}
