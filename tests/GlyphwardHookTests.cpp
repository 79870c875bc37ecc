// Glyphward.dylib as a host meets it: opened into a process whose application delegate class has
// the messaging app's name, then driven through the application's life cycle. Then the lock its
// hooks show, driven directly where no host goes.
#include "SettingsTestSupport.h"

#include "host/GlyphwardLock.h"
#include "lockscreen/TQViewController.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/NSNumber.h"
#include "platform/foundation/NSRunLoop.h"
#include "platform/foundation/NSUserDefaults.h"
#include "platform/runtime/RuntimeThunks.h"
#include "platform/ui/UIApplication.h"
#include "platform/ui/UIScreen.h"
#include "platform/ui/UIWindow.h"

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <filesystem>
#include <string>
#include <vector>

namespace {

std::vector<std::string> calls;

std::shared_ptr<UIWindow> windowOfLock()
{
    for (const auto& window : UIWindow::windowsFrontToBack())
        if (window->rootViewController() && std::string(window->rootViewController()->className()) == "TQViewController")
            return window;
    return nullptr;
}

// Records what the lock could see of the host's own work at the moment it ran.
class HostDelegate : public UIResponder {
public:
    GLYPHWARD_RUNTIME_CLASS_NAMED("MicroMessengerAppDelegate", UIResponder);
    BOOL application(UIApplication* application, NSDictionary* options)
    {
        calls.push_back(std::string("launch") + (application == expectedApplication ? "" : " with another application")
            + (options == expectedOptions ? "" : " with other options") + (windowOfLock() ? " after the lock" : ""));
        window_ = alloc<UIWindow>();
        window_->initWithFrame(UIScreen::mainScreen()->bounds());
        window_->makeKeyAndVisible();
        return answer;
    }
    void applicationDidEnterBackground(UIApplication*) { calls.push_back("background"); }
    void applicationWillEnterForeground(UIApplication*)
    {
        const auto lock = windowOfLock();
        calls.push_back(std::string("foreground") + (lock && lock->isKeyWindow() ? " after the lock" : ""));
    }
    UIWindow* window() const
    {
        calls.push_back("window");
        return window_.get();
    }
    std::shared_ptr<UIWindow> mainWindow() const { return window_; }

    BOOL answer = false;
    UIApplication* expectedApplication = nullptr;
    NSDictionary* expectedOptions = nullptr;

private:
    std::shared_ptr<UIWindow> window_;
};

const ClassRegistration hostClass = ClassRegistration::of<HostDelegate>()
    .method("application:didFinishLaunchingWithOptions:", imp_implementationWithMember<&HostDelegate::application>())
    .method("applicationDidEnterBackground:", imp_implementationWithMember<&HostDelegate::applicationDidEnterBackground>())
    .method("applicationWillEnterForeground:", imp_implementationWithMember<&HostDelegate::applicationWillEnterForeground>())
    .method("window", imp_implementationWithMember<&HostDelegate::window>());

} // namespace

// The whole life of one lock is a single test: the library hooks when it is opened.
TEST(GlyphwardHooks, HostFirstResultUnchangedThenShowFadeOutAndFadeIn)
{
    const std::string library = std::string(GLYPHWARD_BINARY_DIR) + "/host/Glyphward.dylib";
    if (!std::filesystem::exists(library))
        GTEST_SKIP() << "Glyphward.dylib is not built";

    // A copy of its own, so that its initializer runs again however often the test runs in one
    // process, as it does in every new host process.
    settings_test::TempRoot root;
    const std::string copy = root.path + "/Glyphward.dylib";
    std::filesystem::copy_file(library, copy);
    NSUserDefaults::setStandardDomain("org.glyphward.hooktest");
    auto clock = std::make_shared<VirtualClock>(1796000000.0);
    Clock::setCurrent(clock);
    UIScreen::setMainScreen(std::make_shared<UIScreen>(CGSizeMake(320, 568), 2.0f));

    calls.clear();
    auto application = UIApplication::sharedApplication();
    auto host = std::make_shared<HostDelegate>();
    host->expectedApplication = application.get();
    application->setDelegate(host);
    ASSERT_NE(::dlopen(copy.c_str(), RTLD_NOW | RTLD_GLOBAL), nullptr) << ::dlerror();

    // Before launch the slots are empty: the hooks run the host's work and nothing else.
    application->enterBackground();
    application->enterForeground();
    EXPECT_EQ(calls, (std::vector<std::string> { "background", "foreground" }));
    EXPECT_EQ(windowOfLock(), nullptr);

    // Launch: the host's NO comes back unchanged, and the lock covers the screen and is key.
    calls.clear();
    EXPECT_FALSE(application->finishLaunching(nullptr));
    EXPECT_EQ(calls, (std::vector<std::string> { "launch" }));
    const auto lock = windowOfLock();
    ASSERT_NE(lock, nullptr);
    const CGRect frame = lock->frame();
    EXPECT_EQ(std::vector<float>({ frame.origin.x, frame.origin.y, frame.size.width, frame.size.height }),
        std::vector<float>({ 0, 0, 320, 568 }));
    EXPECT_EQ(UIWindow::keyWindow(), lock);
    EXPECT_EQ(UIWindow::windowsFrontToBack().front(), lock);
    EXPECT_FLOAT_EQ(lock->alpha(), 1.0f);
    const auto controller = std::static_pointer_cast<TQViewController>(lock->rootViewController());
    EXPECT_FLOAT_EQ(controller->view()->alpha(), 1.0f);
    ASSERT_TRUE(controller->unlock());

    // Unlock: the keys go to the host's window at once, the lock fades out over 0.3 s, and the
    // host's window is asked for every time.
    calls.clear();
    controller->unlock()();
    EXPECT_EQ(UIWindow::keyWindow(), host->mainWindow());
    EXPECT_FALSE(lock->isKeyWindow());
    EXPECT_FLOAT_EQ(lock->alpha(), 0.0f);
    EXPECT_FLOAT_EQ(controller->view()->alpha(), 0.0f);
    NSRunLoop::mainRunLoop().runUntil(0.15);
    EXPECT_GT(lock->presentationAlpha(), 0.0f);
    EXPECT_LT(lock->presentationAlpha(), 1.0f);
    NSRunLoop::mainRunLoop().runUntil(0.3);
    EXPECT_FLOAT_EQ(lock->presentationAlpha(), 0.0f);
    controller->unlock()();
    EXPECT_EQ(calls, (std::vector<std::string> { "window", "window" }));
    EXPECT_EQ(UIWindow::keyWindow(), host->mainWindow());

    // Background records the time after the host's own work and leaves the window alone.
    calls.clear();
    clock->shiftWall(50);
    application->enterBackground();
    EXPECT_EQ(calls, (std::vector<std::string> { "background" }));
    const auto recorded = std::dynamic_pointer_cast<NSNumber>(controller->valueForKey("goBackgroundTime"));
    ASSERT_NE(recorded, nullptr);
    EXPECT_DOUBLE_EQ(recorded->doubleValue(), 1796000050.3);
    EXPECT_FLOAT_EQ(lock->alpha(), 0.0f);

    // A short absence: no lock. A forced lock: the host's work first, then a 0.3 s fade-in.
    calls.clear();
    application->enterForeground();
    EXPECT_EQ(UIWindow::keyWindow(), host->mainWindow());
    EXPECT_FLOAT_EQ(lock->alpha(), 0.0f);
    NSUserDefaults::standardUserDefaults()->setBool(true, "LOCK_IS_NEED_LOCK");
    application->enterBackground();
    application->enterForeground();
    EXPECT_EQ(calls, (std::vector<std::string> { "foreground", "background", "foreground" }));
    EXPECT_EQ(UIWindow::keyWindow(), lock);
    EXPECT_EQ(UIWindow::windowsFrontToBack().front(), lock);
    EXPECT_FLOAT_EQ(lock->alpha(), 1.0f);
    EXPECT_FLOAT_EQ(controller->view()->alpha(), 1.0f);
    NSRunLoop::mainRunLoop().runUntil(0.45);
    EXPECT_GT(lock->presentationAlpha(), 0.0f);
    EXPECT_LT(lock->presentationAlpha(), 1.0f);
    NSRunLoop::mainRunLoop().runUntil(0.6);
    EXPECT_FLOAT_EQ(lock->presentationAlpha(), 1.0f);
}

TEST(GlyphwardLock, NoScreenGivesAnEmptyWindowAndAnUnlockOutlivingTheLockDoesNothing)
{
    settings_test::TempRoot root;
    NSUserDefaults::setStandardDomain("org.glyphward.hooktest");
    UIScreen::setMainScreen(nullptr);
    auto lock = std::make_shared<GlyphwardLock>();
    lock->registerLock();
    lock->fadeInIfNeeded();
    EXPECT_EQ(lock->controller(), nullptr);
    EXPECT_TRUE(UIWindow::windowsFrontToBack().empty());

    lock->install(nullptr);
    const auto window = lock->window();
    const auto controller = lock->controller();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->frame(), CGRectZero);
    EXPECT_EQ(window->rootViewController(), controller);
    EXPECT_EQ(UIWindow::keyWindow(), window);

    lock.reset();
    controller->unlock()();
    EXPECT_EQ(UIWindow::keyWindow(), window);
    EXPECT_FLOAT_EQ(window->alpha(), 1.0f);
}
