// glyphward-host: the demo host app with the tweak loader, in a window, as a scenario player or
// as a headless tour of the lock.
#include "apps/common/RootCheck.h"
#include "apps/host/HostApp.h"
#include "apps/host/HostCommandLine.h"
#include "apps/host/HostState.h"
#include "apps/host/HostTour.h"
#include "apps/host/ScenarioPlayer.h"
#include "apps/host/ScenarioScript.h"
#include "apps/host/SessionRecorder.h"
#include "platform/backends/SDLBackend.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/DeviceRoot.h"
#include "platform/foundation/NSBundle.h"
#include "platform/foundation/NSLog.h"
#include "platform/foundation/NSRunLoop.h"
#include "platform/foundation/NSUserDefaults.h"
#include "platform/toolkit/Toolkit.h"
#include "platform/ui/UIApplication.h"
#include "platform/ui/UIScreen.h"

#include <cerrno>
#include <chrono>
#include <clocale>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <exception>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// The status for a failure nobody foresaw (an exception that reached main), apart from the
// player's 1 (an expect did not hold) and 2 (the input was wrong).
constexpr int kInternalError = 70;

void configureScreen(const HostOptions& options)
{
    const CGSize size = CGSizeMake(options.screenWidth, options.screenHeight);
    UIScreen::setMainScreen(std::make_shared<UIScreen>(size, options.screenScale));
}

// The root in force (--root, else $GLYPHWARD_ROOT, else the default) must be a device root
// before anything runs: a tour or a script on a wrong folder would play without the lock.
bool useRoot(const HostOptions& options)
{
    std::string root = DeviceRoot::path();
    if (options.root) {
        std::error_code error;
        const auto absolute = options.root->empty() ? std::filesystem::path() : std::filesystem::absolute(*options.root, error);
        root = error ? *options.root : absolute.string();
    }
    const std::string problem = RootCheck::deviceRootProblem(root);
    if (!problem.empty()) {
        std::cerr << "glyphward-host: the device root " << (root.empty() ? "\"\"" : root) << " " << problem << "\n";
        return false;
    }
    DeviceRoot::setPath(root);
    return true;
}

// The whole file, or why it cannot be read (a folder, say). A script is text a person wrote:
// anything past 16 MiB is not one (and /dev/zero would never end).
bool readScript(const std::string& path, std::string& text, std::string& why)
{
    constexpr std::size_t kLimit = 16u << 20;
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!file) {
        why = std::strerror(errno);
        return false;
    }
    char buffer[1 << 16];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file.get())) > 0;) {
        text.append(buffer, n);
        if (text.size() > kLimit) {
            why = "larger than 16 MiB";
            return false;
        }
    }
    if (std::ferror(file.get())) {
        why = std::strerror(errno);
        return false;
    }
    return true;
}

double realEpoch()
{
    using namespace std::chrono;
    return duration<double>(system_clock::now().time_since_epoch()).count();
}

// The tour changes the settings store: it plays on a copy of the root without a stored passcode.
bool useFreshCopyOfRoot()
{
    namespace fs = std::filesystem;
    char pattern[] = "/tmp/glyphward-tour-root-XXXXXX";
    if (!::mkdtemp(pattern))
        return false;
    std::error_code error;
    fs::copy(DeviceRoot::path(), pattern, fs::copy_options::recursive, error);
    if (error) {
        std::cerr << "glyphward-host: cannot copy the root " << DeviceRoot::path() << ": " << error.message() << "\n";
        return false;
    }
    DeviceRoot::setPath(pattern);
    fs::remove(NSUserDefaults::pathForDomain(HostApp::bundleId), error);
    return true;
}

int playScript(const HostOptions& options)
{
    std::string text;
    std::string why;
    if (!readScript(*options.script, text, why)) {
        std::cerr << "error 0: cannot read " << *options.script << ": " << why << "\n";
        return 2;
    }
    const ScenarioScript script = ScenarioScript::parse(text);
    if (!script.ok()) {
        for (const auto& e : script.errors())
            std::cerr << "error " << e.line << ": " << e.message << "\n";
        return 2;
    }

    auto clock = std::make_shared<VirtualClock>(options.epoch.value_or(realEpoch()));
    Clock::setCurrent(clock);
    NSLogAddSink([](const std::string& message) { std::cout << "log " << message << std::endl; });
    HostApp::start(!options.noTweaks);
    ScenarioPlayer player(std::cout, clock);
    return player.play(script);
}

int playTour(const HostOptions& options)
{
    if (!useFreshCopyOfRoot())
        return 1;
    auto clock = std::make_shared<VirtualClock>(options.epoch.value_or(realEpoch()));
    Clock::setCurrent(clock);
    NSLogAddSink([](const std::string& message) { std::cout << "  log " << message << std::endl; });
    NSLogSetStderrEnabled(false);
    HostApp::start(!options.noTweaks);
    const std::string copy = DeviceRoot::path();
    std::cout << "device root (a fresh copy): " << copy << std::endl;
    const int status = HostTour::run(options.snapshots, std::cout, clock);
    // The lock's library stays mapped; the copy it came from is no longer needed.
    std::error_code error;
    std::filesystem::remove_all(copy, error);
    return status;
}

// SDL falls back to an off-screen video driver when there is no display, and a window there would
// run unseen for ever: without a display server (and no driver asked for by name) there is no window.
bool haveDisplay()
{
    for (const char* name : { "DISPLAY", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER" }) {
        const char* value = std::getenv(name);
        if (value && *value)
            return true;
    }
    return false;
}

// The recording's first lines: when it was made, and how to play it back so that the touches
// land where they did and the texts read as they did.
std::vector<std::string> recordingComments(const HostOptions& options)
{
    const auto now = static_cast<std::time_t>(Clock::current().wallNow());
    std::tm utc {};
    char when[32] = "";
    if (::gmtime_r(&now, &utc))
        std::strftime(when, sizeof when, "%Y-%m-%d %H:%M:%S +0000", &utc);
    std::string replay = "glyphward-host --script FILE --screen " + SessionRecorder::coordinate(options.screenWidth) + "x"
        + SessionRecorder::coordinate(options.screenHeight) + "@" + SessionRecorder::coordinate(options.screenScale);
    if (!options.lang.empty())
        replay += " --lang " + options.lang;
    if (options.noTweaks)
        replay += " --no-tweaks";
    return { std::string("A glyphward-host window session, recorded ") + when + ".",
        "Play it back with " + replay + ", on a copy of the device root as it was before the session." };
}

// Closing the window ends the host as a trip to the background would on the device: the lock
// records the time and the settings are written before the process goes. A recorded session
// ends with the state line that playing the recording back prints last.
int runWindow(const HostOptions& options, SDLBackend& window, const std::shared_ptr<SessionRecorder>& recorder)
{
    HostApp::start(!options.noTweaks);
    auto application = UIApplication::sharedApplication();
    window.onBackground = [application] { application->enterBackground(); };
    window.onForeground = [application] { application->enterForeground(); };
    if (recorder) {
        recorder->onStopped = [](const Failure& failure) {
            std::cerr << "glyphward-host: recording stopped: " << failure.message << "\n";
        };
        window.setRecorder(recorder);
        recorder->launch(recordingComments(options));
    }
    application->finishLaunching(nullptr);
    int status = window.run();
    if (recorder) {
        NSRunLoop::mainRunLoop().runDue();
        const Result<void> finished = recorder->finish();
        // Timed as the replay times it, from launch, so that the two lines read the same.
        nlohmann::ordered_json state = HostState::read();
        const double time = recorder->recordedSeconds();
        state["time"] = time == std::floor(time) ? nlohmann::ordered_json(static_cast<long long>(time)) : nlohmann::ordered_json(time);
        std::cout << "state " << HostState::format(state) << std::endl;
        if (!finished.ok()) {
            std::cerr << "glyphward-host: the recording " << recorder->path() << " is not whole: " << finished.failure().message << "\n";
            status = 1;
        }
    }
    if (!HostApp::terminate()) {
        std::cerr << "glyphward-host: the settings could not be written on the way out\n";
        return 1;
    }
    return status;
}

// The desktop's locale, for Xlib's input methods and window titles; numbers keep the C form, as
// the settings and the log write them. The headless paths stay in the C locale, so their pictures
// do not depend on the user's language.
void useDesktopLocale()
{
    std::setlocale(LC_ALL, "");
    std::setlocale(LC_NUMERIC, "C");
}

// A session recorded into a file: only in a window. The file is taken before the window opens,
// so a name that cannot be used is said before anything shows; a new file is let go again when
// no window comes.
int recordWindow(const HostOptions& options)
{
    const std::string& path = *options.record;
    if (!haveDisplay()) {
        std::cerr << "glyphward-host: --record needs a display, and none is set (DISPLAY, WAYLAND_DISPLAY)\n";
        return 2;
    }
    struct stat seen {};
    const bool existed = ::lstat(path.c_str(), &seen) == 0;
    auto opened = SessionRecorder::open(path, options.force ? SafeOutputFile::Existing::Replace : SafeOutputFile::Existing::Keep);
    if (!opened.ok()) {
        const std::string& why = opened.failure().message;
        const bool taken = why.size() >= 7 && why.compare(why.size() - 7, 7, " exists") == 0;
        std::cerr << "glyphward-host: cannot record the session: " << why << (taken ? " (--force replaces it)" : "") << "\n";
        return 2;
    }
    // A FIFO's reader that goes away ends the recording (a failed write, said), not the host.
    std::signal(SIGPIPE, SIG_IGN);
    useDesktopLocale();
    SDLBackend window;
    window.setZoom(options.zoom);
    window.onNotice = [](const std::string& notice) { std::cerr << "glyphward-host: " << notice << "\n"; };
    if (const Result<void> shown = window.open(); !shown.ok()) {
        std::cerr << "glyphward-host: --record needs a window, and none opened (" << shown.failure().message << ")\n";
        if (!existed)
            ::unlink(path.c_str());
        return 2;
    }
    return runWindow(options, window, opened.value());
}

int run(int argc, char** argv)
{
    // Everything the toolkit keeps lives here, and goes when the host returns.
    Toolkit toolkit;
    const HostCommandLine line = HostCommandLine::parse(argc, argv);
    std::cout << line.out;
    std::cerr << line.err;
    if (!line.options)
        return line.status;
    const HostOptions& options = *line.options;
    if (options.printRoot) {
        std::cout << DeviceRoot::path() << std::endl;
        return 0;
    }
    // Installed, the user's own root is made or refreshed first; never run on a half-made one.
    if (!options.root) {
        if (const Result<void> ready = DeviceRoot::prepare(); !ready.ok()) {
            std::cerr << "glyphward-host: " << ready.failure().message << "\n";
            return 2;
        }
    }
    if (!useRoot(options))
        return 2;
    configureScreen(options);
    if (!options.lang.empty())
        NSBundle::setPreferredLanguages({ options.lang });

    if (options.script)
        return playScript(options);
    if (options.record)
        return recordWindow(options);
    if (!options.headless && !haveDisplay())
        std::cerr << "glyphward-host: no display; playing the tour headless\n";
    else if (!options.headless) {
        useDesktopLocale();
        SDLBackend window;
        window.setZoom(options.zoom);
        window.onNotice = [](const std::string& notice) { std::cerr << "glyphward-host: " << notice << "\n"; };
        const Result<void> opened = window.open();
        if (opened.ok())
            return runWindow(options, window, nullptr);
        std::setlocale(LC_ALL, "C");
        std::cerr << "glyphward-host: no window (" << opened.failure().message << "); playing the tour headless\n";
    }
    return playTour(options);
}

} // namespace

// An exception that gets this far is a fault, said as such.
int main(int argc, char** argv)
{
    int status = kInternalError;
    try {
        status = run(argc, argv);
    } catch (const std::exception& error) {
        std::cerr << "glyphward-host: internal error: " << error.what() << "\n";
    } catch (...) {
        std::cerr << "glyphward-host: internal error\n";
    }
    std::cout.flush();
    return status;
}
