#pragma once
// A small device for the lock screen tests: a fresh device root holding the lock's bundle, a
// virtual clock, a screen, a host app whose delegate answers its main window, and the lock as the
// library shows it, driven by touches as the key window gets them.
#include "gesture/TQGestureLockView.h"
#include "host/GlyphwardLock.h"
#include "lockscreen/TQViewController.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/DeviceRoot.h"
#include "platform/foundation/NSBundle.h"
#include "platform/foundation/NSLog.h"
#include "platform/foundation/NSNotificationCenter.h"
#include "platform/foundation/NSNumber.h"
#include "platform/foundation/NSRunLoop.h"
#include "platform/foundation/NSString.h"
#include "platform/foundation/NSUserDefaults.h"
#include "platform/runtime/RuntimeThunks.h"
#include "platform/ui/UIApplication.h"
#include "platform/ui/UIButton.h"
#include "platform/ui/UILabel.h"
#include "platform/ui/UIScreen.h"
#include "platform/ui/UITouchInjector.h"
#include "platform/ui/UIViewAnimator.h"
#include "platform/ui/UIWindow.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <unistd.h>
#include <vector>

namespace lock_test {

namespace fs = std::filesystem;

inline constexpr double kEpoch = 1'800'000'000.0;
inline constexpr const char* kDomain = "org.glyphward.host";

// The host app's delegate: answers "window" with its main window, as the host's does.
class HostDelegate : public NSObject {
public:
    GLYPHWARD_RUNTIME_CLASS_NAMED("LockTestHostDelegate", NSObject);
    UIWindow* window() const { return window_.get(); }
    std::shared_ptr<UIWindow> window_;
};
inline const ClassRegistration hostDelegateClass = ClassRegistration::of<HostDelegate>()
    .method("window", imp_implementationWithMember<&HostDelegate::window>());

inline fs::path stagedBundle() { return fs::path(GLYPHWARD_BINARY_DIR) / "root/Library/Application Support/WeChat"; }

class LockFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        static std::atomic<int> serial { 0 };
        root_ = fs::temp_directory_path() / ("glyphward-lock-" + std::to_string(::getpid()) + "-" + std::to_string(serial++));
        fs::remove_all(root_);
        fs::create_directories(root_);
        DeviceRoot::setPath(root_.string());
        bundleDir_ = root_ / "Library/Application Support/WeChat";
        fs::create_directories(bundleDir_);
        if (fs::exists(stagedBundle()))
            fs::copy(stagedBundle(), bundleDir_, fs::copy_options::recursive);
        else
            writeStrings("en", "");

        clock_ = std::make_shared<VirtualClock>(kEpoch);
        Clock::setCurrent(clock_);
        NSBundle::setPreferredLanguages({ "en" });
        NSUserDefaults::setStandardDomain(kDomain);
        NSLogSetStderrEnabled(false);
        sink_ = NSLogAddSink([this](const std::string& message) { logs.push_back(message); });
        setScreen(320, 568);
    }

    void TearDown() override
    {
        NSLogRemoveSink(sink_);
        std::error_code ignored;
        fs::remove_all(root_, ignored);
    }

    static void setScreen(float width, float height, float statusBar = 20)
    {
        UIScreen::setMainScreen(std::make_shared<UIScreen>(CGSize { width, height }, 2.0f, statusBar));
    }

    void writeStrings(const std::string& language, const std::string& body)
    {
        fs::create_directories(bundleDir_ / (language + ".lproj"));
        std::ofstream(bundleDir_ / (language + ".lproj") / "lock.strings") << body;
    }

    // Another process's view of the settings: a store object of its own, reading the file.
    static std::shared_ptr<NSUserDefaults> outsideDefaults()
    {
        return std::make_shared<NSUserDefaults>(kDomain, NSUserDefaults::pathForDomain(kDomain));
    }
    static void setOutside(const std::string& key, std::shared_ptr<NSObject> value)
    {
        auto defaults = outsideDefaults();
        defaults->setObject(std::move(value), key);
        ASSERT_TRUE(defaults->synchronize());
    }
    // PASS_CODE as it stands in the file on disk.
    static std::optional<std::string> storedPasscode()
    {
        auto text = std::dynamic_pointer_cast<NSString>(outsideDefaults()->objectForKey("PASS_CODE"));
        return text ? std::optional<std::string>(text->string()) : std::nullopt;
    }

    // The host's main window first, then the lock in front of it as the library's launch hook
    // puts it there. These tests watch the controller decide to unlock: the unlock block only
    // counts, so the lock stays key for the next pattern (the hook tests see the fade).
    std::shared_ptr<TQViewController> launch()
    {
        host_ = std::make_shared<HostDelegate>();
        auto screen = UIScreen::mainScreen();
        host_->window_ = alloc<UIWindow>();
        host_->window_->initWithFrame(screen ? screen->bounds() : CGRectZero);
        host_->window_->makeKeyAndVisible();
        UIApplication::sharedApplication()->setDelegate(host_);

        lock_ = std::make_shared<GlyphwardLock>();
        lock_->install(host_);
        controller_ = lock_->controller();
        lockWindow_ = lock_->window();
        controller_->setUnlock([this] { ++unlocks; });
        lockWindow_->layoutIfNeeded();
        return controller_;
    }

    // Draws the pattern through the centres of the nodes, as a finger would.
    void draw(const std::vector<int>& nodes)
    {
        auto& finger = UITouchInjector::shared();
        for (std::size_t i = 0; i < nodes.size(); ++i) {
            CGPoint p = nodeCentre(nodes[i]);
            if (i == 0)
                finger.down(p);
            else
                finger.move(p);
        }
        finger.up();
    }
    CGPoint nodeCentre(int index) const
    {
        const auto& lockView = controller_->lockView();
        const auto& node = lockView->buttons().at(static_cast<std::size_t>(index));
        return node->superview()->convertPointToView(node->center(), nullptr);
    }
    void tapReset()
    {
        const auto& button = controller_->resetBtn();
        CGPoint p = button->convertPointToView(CGPointMake(button->bounds().size.width / 2, 15), nullptr);
        UITouchInjector::shared().down(p);
        UITouchInjector::shared().up();
    }

    std::optional<std::string> message() const { return controller_->label()->text(); }
    std::optional<std::string> resetTitle() const
    {
        auto title = std::dynamic_pointer_cast<UILabel>(controller_->resetBtn()->viewWithTag(1));
        return title ? title->text() : std::nullopt;
    }
    void advance(double seconds) { NSRunLoop::mainRunLoop().runUntil(clock_->monotonicNow() + seconds); }
    void postBackground()
    {
        NSNotificationCenter::defaultCenter().postNotificationName("UIApplicationDidEnterBackgroundNotification", nullptr);
    }
    bool logged(const std::string& line) const
    {
        for (const auto& l : logs)
            if (l == line)
                return true;
        return false;
    }

    fs::path root_;
    fs::path bundleDir_;
    std::shared_ptr<VirtualClock> clock_;
    std::shared_ptr<HostDelegate> host_;
    std::shared_ptr<GlyphwardLock> lock_;
    std::shared_ptr<TQViewController> controller_;
    std::shared_ptr<UIWindow> lockWindow_;
    std::vector<std::string> logs;
    int unlocks = 0;

private:
    int sink_ = 0;
};

inline const CGAffineTransform kShakeFirst = CGAffineTransformMakeTranslation(2, -2);
inline const CGAffineTransform kShakeSecond = CGAffineTransformMakeTranslation(-2, 2);

} // namespace lock_test
