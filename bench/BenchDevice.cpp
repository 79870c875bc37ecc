#include "bench/BenchDevice.h"

#include "gesture/TQGestureLockView.h"
#include "host/GlyphwardLock.h"
#include "lockscreen/TQViewController.h"
#include "platform/compositor/Renderer.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/DeviceRoot.h"
#include "platform/foundation/NSBundle.h"
#include "platform/foundation/NSLog.h"
#include "platform/foundation/NSNotificationCenter.h"
#include "platform/foundation/NSRunLoop.h"
#include "platform/foundation/NSString.h"
#include "platform/foundation/NSUserDefaults.h"
#include "platform/graphics/UIColor.h"
#include "platform/toolkit/Toolkit.h"
#include "platform/ui/UIButton.h"
#include "platform/ui/UIScreen.h"
#include "platform/ui/UITouchInjector.h"
#include "platform/ui/UIViewAnimator.h"
#include "platform/ui/UIWindow.h"

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <unistd.h>

namespace bench {

namespace fs = std::filesystem;

BenchDevice& BenchDevice::shared()
{
    static BenchDevice device;
    return device;
}

BenchDevice::BenchDevice()
{
    // The settings store is written by the benchmarks: they play on a copy, never on the staged root.
    const fs::path staged = DeviceRoot::path();
    const fs::path copy = fs::temp_directory_path() / ("glyphward-bench-" + std::to_string(::getpid()));
    fs::remove_all(copy);
    fs::create_directories(copy);
    std::error_code error;
    fs::copy(staged, copy, fs::copy_options::recursive, error);
    if (error)
        throw std::runtime_error("cannot copy the staged root " + staged.string() + ": " + error.message());
    root_ = copy.string();
    DeviceRoot::setPath(root_);
    fs::remove(NSUserDefaults::pathForDomain(NSUserDefaults::standardDomain()), error);

    clock_ = std::make_shared<VirtualClock>(1'800'000'000.0);
    Clock::setCurrent(clock_);
    NSLogSetStderrEnabled(false);
    NSBundle::setPreferredLanguages({ "en" });
}

BenchDevice::~BenchDevice()
{
    lock_.reset();
    hostWindow_.reset();
    std::error_code ignored;
    fs::remove_all(root_, ignored);
}

void BenchDevice::resetScreen(float widthPoints, float heightPoints, float scale)
{
    lock_.reset();
    hostWindow_.reset();
    toolkit_.dropContents();
    UIScreen::setMainScreen(std::make_shared<UIScreen>(CGSizeMake(widthPoints, heightPoints), scale));
    Renderer::shared().setNeedsFullRedraw();
}

std::shared_ptr<TQViewController> BenchDevice::launchLockScreen(const std::string& storedPasscode)
{
    auto defaults = NSUserDefaults::standardUserDefaults();
    if (storedPasscode.empty())
        defaults->removeObjectForKey("PASS_CODE");
    else
        defaults->setObject(NSString::stringWithString(storedPasscode), "PASS_CODE");
    defaults->synchronize();

    hostWindow_ = alloc<UIWindow>();
    hostWindow_->initWithFrame(UIScreen::mainScreen()->bounds());
    hostWindow_->setBackgroundColor(UIColor::whiteColor());
    hostWindow_->makeKeyAndVisible();

    // No host delegate: the benchmarks never finish the stored pattern, so nothing unlocks.
    lock_ = std::make_shared<GlyphwardLock>();
    lock_->install(nullptr);
    lock_->window()->layoutIfNeeded();
    return lock_->controller();
}

CGPoint BenchDevice::nodeCentre(int index) const
{
    const auto& node = lock_->controller()->lockView()->buttons().at(static_cast<std::size_t>(index));
    return node->superview()->convertPointToView(node->center(), nullptr);
}

void BenchDevice::removeStoredPasscode()
{
    auto defaults = NSUserDefaults::standardUserDefaults();
    defaults->removeObjectForKey("PASS_CODE");
    defaults->synchronize();
}

void BenchDevice::drawPattern(const std::vector<int>& nodes)
{
    auto& finger = UITouchInjector::shared();
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        if (i == 0)
            finger.down(nodeCentre(nodes[i]));
        else
            finger.move(nodeCentre(nodes[i]));
    }
    finger.up();
}

void BenchDevice::advance(double seconds) { NSRunLoop::mainRunLoop().runUntil(clock_->monotonicNow() + seconds); }

void BenchDevice::unlockThenReturn()
{
    if (const auto unlock = lock_->controller()->unlock())
        unlock();
    advance(1.0);
    auto defaults = NSUserDefaults::standardUserDefaults();
    defaults->setBool(true, "LOCK_IS_NEED_LOCK");
    defaults->synchronize();
    lock_->registerLock();
    lock_->fadeInIfNeeded();
}

} // namespace bench
