#include "ProcessState.h"

#include "platform/compositor/Renderer.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/DeviceRoot.h"
#include "platform/foundation/FileOps.h"
#include "platform/foundation/NSBundle.h"
#include "platform/foundation/NSLog.h"
#include "platform/foundation/NSNotificationCenter.h"
#include "platform/foundation/NSRunLoop.h"
#include "platform/foundation/NSUserDefaults.h"
#include "platform/foundation/StringsFile.h"
#include "platform/graphics/ImagePrefetch.h"
#include "platform/graphics/UIImage.h"
#include "platform/ui/UIApplication.h"
#include "platform/ui/UIKeyboardImpl.h"
#include "platform/ui/UIScreen.h"
#include "platform/ui/UITouchInjector.h"
#include "platform/ui/UIViewAnimator.h"
#include "platform/ui/UIWindow.h"

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::vector<std::string> environmentNow()
{
    std::vector<std::string> entries;
    for (char** entry = environ; *entry; ++entry)
        entries.emplace_back(*entry);
    return entries;
}

std::string nameOf(const std::string& entry) { return entry.substr(0, entry.find('=')); }

void restoreEnvironment(const std::vector<std::string>& saved)
{
    for (const auto& entry : environmentNow()) {
        const std::string name = nameOf(entry);
        if (std::none_of(saved.begin(), saved.end(), [&](const std::string& kept) { return nameOf(kept) == name; }))
            unsetenv(name.c_str());
    }
    for (const auto& entry : saved) {
        const std::string name = nameOf(entry);
        const std::string value = entry.substr(std::min(entry.size(), name.size() + 1));
        const char* now = std::getenv(name.c_str());
        if (!now || value != now)
            setenv(name.c_str(), value.c_str(), 1);
    }
    tzset();
}

// Drops whatever a test left in the toolkit's singletons, in an order where nothing dropped can
// reach something already gone: touches and the keyboard first, windows and timers after.
void dropLeftovers()
{
    UITouchInjector::shared().reset();
    NSNotificationCenter::defaultCenter().reset();
    if (auto keyboard = UIKeyboardImpl::activeInstance())
        keyboard->dismissKeyboard();
    UIViewAnimator::shared().reset();
    NSRunLoop::mainRunLoop().reset();
    UIWindow::resetWindowList();
    UIApplication::sharedApplication()->reset();
    Renderer::shared().reset();
    // Bitmap contexts a test opened and never closed; drawing code closes its own.
    while (CGContextRef open = UIGraphicsGetCurrentContext()) {
        UIGraphicsEndImageContext();
        if (UIGraphicsGetCurrentContext() == open)
            break;
    }
    NSUserDefaults::resetStandardUserDefaults();
    StringsFile::clearCache();
    // A worker still decoding would be a thread a later death test's child inherits as a future
    // with no thread behind it.
    ImagePrefetch::reset();
}

} // namespace

ProcessState ProcessState::capture()
{
    ProcessState state;
    state.classes_ = objc_snapshotClasses();
    state.logSinks_ = NSLogSinkTokens();
    state.logToStderr_ = NSLogStderrEnabled();
    state.mainScreen_ = UIScreen::mainScreen();
    state.standardDomain_ = NSUserDefaults::standardDomain();
    state.preferredLanguages_ = NSBundle::preferredLanguages();
    state.environment_ = environmentNow();
    state.umask_ = ::umask(0);
    ::umask(state.umask_);
    std::error_code error;
    state.workingFolder_ = std::filesystem::current_path(error).string();
    return state;
}

void ProcessState::restore() const
{
    // Sinks go first: they may hold on to a test's objects, and dropping the rest may log.
    for (int token : NSLogSinkTokens())
        if (std::find(logSinks_.begin(), logSinks_.end(), token) == logSinks_.end())
            NSLogRemoveSink(token);
    NSLogSetStderrEnabled(logToStderr_);
    dropLeftovers();

    Clock::setCurrent(nullptr);
    FileOps::setCurrent(nullptr);
    DeviceRoot::setPath("");
    NSUserDefaults::setStandardDomain(standardDomain_);
    UIScreen::setMainScreen(mainScreen_);
    NSBundle::setPreferredLanguages(preferredLanguages_);
    restoreEnvironment(environment_);
    ::umask(umask_);
    std::error_code ignored;
    if (!workingFolder_.empty())
        std::filesystem::current_path(workingFolder_, ignored);
    // Last, so that what was dropped above still found the methods it knew.
    objc_restoreClasses(*classes_);
}
