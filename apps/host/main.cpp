// glyphward-host: the demo host app with the tweak loader, in a window, as a scenario player or
// as a headless tour of the lock.
#include "apps/host/HostApp.h"
#include "apps/host/HostTour.h"
#include "apps/host/ScenarioPlayer.h"
#include "apps/host/ScenarioScript.h"
#include "platform/backends/SDLBackend.h"
#include "platform/backends/WindowFit.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/DeviceRoot.h"
#include "platform/foundation/NSBundle.h"
#include "platform/foundation/NSLog.h"
#include "platform/foundation/NSUserDefaults.h"
#include "platform/ui/UIApplication.h"
#include "platform/ui/UIScreen.h"

#include <CLI/CLI.hpp>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <regex>
#include <sstream>

namespace {

struct Options {
    std::string root;
    std::string screen = "320x568@2";
    std::optional<double> zoom;
    std::string lang;
    bool headless = false;
    std::string script;
    double epoch = 0;
    bool epochGiven = false;
    std::string snapshots = "glyphward-tour";
    bool noTweaks = false;
    bool printRoot = false;
};

// Leaves without running destructors of the process's objects: the lock holds its window and
// controller until the process ends, as it does on the device.
[[noreturn]] void finish(int status)
{
    std::cout.flush();
    std::cerr.flush();
    std::fflush(nullptr);
    std::_Exit(status);
}

bool configureScreen(const std::string& text)
{
    static const std::regex pattern(R"(^([0-9]+(?:\.[0-9]+)?)x([0-9]+(?:\.[0-9]+)?)@([0-9]+(?:\.[0-9]+)?)$)");
    std::smatch m;
    if (!std::regex_match(text, m, pattern))
        return false;
    const float width = std::stof(m[1]);
    const float height = std::stof(m[2]);
    const float scale = std::stof(m[3]);
    if (width < 1 || height < 1 || width > 4096 || height > 4096 || scale <= 0 || scale > 4)
        return false;
    UIScreen::setMainScreen(std::make_shared<UIScreen>(CGSizeMake(width, height), scale));
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

int playScript(const Options& options)
{
    std::ifstream in(options.script, std::ios::binary);
    if (!in) {
        std::cerr << "error 0: cannot read " << options.script << "\n";
        return 2;
    }
    std::ostringstream text;
    text << in.rdbuf();
    const ScenarioScript script = ScenarioScript::parse(text.str());
    if (!script.ok()) {
        for (const auto& e : script.errors())
            std::cerr << "error " << e.line << ": " << e.message << "\n";
        return 2;
    }

    auto clock = std::make_shared<VirtualClock>(options.epochGiven ? options.epoch : realEpoch());
    Clock::setCurrent(clock);
    NSLogAddSink([](const std::string& message) { std::cout << "log " << message << std::endl; });
    HostApp::start(!options.noTweaks);
    ScenarioPlayer player(std::cout, clock);
    return player.play(script);
}

int playTour(const Options& options)
{
    if (!useFreshCopyOfRoot())
        return 1;
    auto clock = std::make_shared<VirtualClock>(options.epochGiven ? options.epoch : realEpoch());
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

// Closing the window ends the host as a trip to the background would on the device: the lock
// records the time and the settings are written before the process goes.
int runWindow(const Options& options, SDLBackend& window)
{
    HostApp::start(!options.noTweaks);
    auto application = UIApplication::sharedApplication();
    window.onBackground = [application] { application->enterBackground(); };
    window.onForeground = [application] { application->enterForeground(); };
    application->finishLaunching(nullptr);
    const int status = window.run();
    if (!HostApp::terminate()) {
        std::cerr << "glyphward-host: the settings could not be written on the way out\n";
        return 1;
    }
    return status;
}

} // namespace

int main(int argc, char** argv)
{
    Options options;
    CLI::App app { "The demo host app with the Glyphward lock", "glyphward-host" };
    app.add_option("--root", options.root, "device root (default: $GLYPHWARD_ROOT, else the staged root)");
    app.add_option("--screen", options.screen, "screen as WxH@S in points and scale")->capture_default_str();
    std::string zoomText;
    auto* zoom = app.add_option("--zoom", zoomText, "window scale, above 0 up to 4 (default: fit the display, never above 1)");
    app.add_option("--lang", options.lang, "preferred language, e.g. en or zh-Hans (default: from LANG)");
    app.add_flag("--headless", options.headless, "no window: play the tour (or the script)");
    app.add_option("--script", options.script, "play a scenario on the virtual clock and exit");
    auto* epoch = app.add_option("--epoch", options.epoch, "virtual wall clock start, Unix seconds (default: now)");
    app.add_option("--snapshots", options.snapshots, "folder for the tour's pictures")->capture_default_str();
    app.add_flag("--no-tweaks", options.noTweaks, "do not run the tweak loader");
    app.add_flag("--print-root", options.printRoot, "print the default device root and exit");
    CLI11_PARSE(app, argc, argv);
    options.epochGiven = epoch->count() > 0;
    if (zoom->count() > 0) {
        options.zoom = WindowFit::parseZoom(zoomText);
        if (!options.zoom) {
            std::cerr << "glyphward-host: --zoom wants a factor above 0 up to 4, for example 0.5\n";
            return 2;
        }
    }

    if (options.printRoot) {
        std::cout << DeviceRoot::path() << std::endl;
        return 0;
    }
    if (!configureScreen(options.screen)) {
        std::cerr << "glyphward-host: --screen wants WxH@S, for example 320x568@2\n";
        return 2;
    }
    if (!options.root.empty()) {
        std::error_code error;
        const auto absolute = std::filesystem::absolute(options.root, error);
        DeviceRoot::setPath(error ? options.root : absolute.string());
    }
    if (!options.lang.empty())
        NSBundle::setPreferredLanguages({ options.lang });

    if (!options.script.empty())
        finish(playScript(options));
    if (!options.headless && !haveDisplay())
        std::cerr << "glyphward-host: no display; playing the tour headless\n";
    else if (!options.headless) {
        SDLBackend window;
        window.setZoom(options.zoom);
        if (window.open())
            finish(runWindow(options, window));
        std::cerr << "glyphward-host: no window (" << window.lastError() << "); playing the tour headless\n";
    }
    finish(playTour(options));
}
