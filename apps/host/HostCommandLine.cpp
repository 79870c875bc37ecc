#include "apps/host/HostCommandLine.h"

#include "apps/common/CommandLineParse.h"
#include "apps/common/NumberText.h"
#include "platform/backends/WindowFit.h"

#include <CLI/CLI.hpp>

#include <utility>
#include <string_view>

namespace {

// Digits with at most one decimal point between digits, as "320" or "37.5": the form --screen takes.
bool isDecimal(std::string_view text)
{
    const std::size_t point = text.find('.');
    const auto digits = [](std::string_view part) {
        return !part.empty() && part.find_first_not_of("0123456789") == std::string_view::npos;
    };
    return point == std::string_view::npos ? digits(text) : digits(text.substr(0, point)) && digits(text.substr(point + 1));
}

std::optional<double> decimal(std::string_view text, double low, double high)
{
    return isDecimal(text) ? NumberText::real(text, low, high) : std::nullopt;
}

// What CLI11 reads as text, for the checks after it.
struct Texts {
    std::string root;
    std::string screen = "320x568@2";
    std::string script;
    std::string epoch;
    std::string zoom;
    std::string record;
};

void addOptions(CLI::App& app, HostOptions& options, Texts& texts)
{
    app.add_option("--root", texts.root, "device root (default: $GLYPHWARD_ROOT, else the default root)");
    app.add_option("--screen", texts.screen, "screen as WxH@S in points and scale")->capture_default_str();
    app.add_option("--lang", options.lang, "preferred language, e.g. en or zh-Hans (default: from LANG)");
    app.add_flag("--headless", options.headless, "no window: play the tour (or the script)");
    app.add_option("--script", texts.script, "play a scenario on the virtual clock and exit");
    app.add_option("--epoch", texts.epoch, "virtual wall clock start, Unix seconds (default: now)");
    app.add_option("--snapshots", options.snapshots, "folder for the tour's pictures")->capture_default_str();
    app.add_flag("--no-tweaks", options.noTweaks, "do not run the tweak loader");
    app.add_flag("--print-root", options.printRoot, "print the default device root and exit");
    // The window's own flags.
    app.add_option("--zoom", texts.zoom, "window scale, above 0 up to 4 (default: fit the display, never above 1)");
    app.add_option("--record", texts.record, "write the window session into FILE as a scenario, as it happens");
    app.add_flag("--force", options.force, "with --record: replace a file already there");
}

HostCommandLine mistake(std::string message)
{
    HostCommandLine result;
    result.status = 2;
    result.err = "glyphward-host: " + std::move(message) + "\n";
    return result;
}

} // namespace

bool HostCommandLine::readScreen(const std::string& text, HostOptions& options)
{
    const std::size_t times = text.find('x');
    const std::size_t at = text.find('@');
    if (times == std::string::npos || at == std::string::npos || at < times)
        return false;
    const std::string_view view(text);
    const auto width = decimal(view.substr(0, times), 1, 4096);
    const auto height = decimal(view.substr(times + 1, at - times - 1), 1, 4096);
    const auto scale = decimal(view.substr(at + 1), 0, 4);
    if (!width || !height || !scale)
        return false;
    // Judged in the floats the screen is made of.
    const auto w = static_cast<float>(*width);
    const auto h = static_cast<float>(*height);
    const auto s = static_cast<float>(*scale);
    if (!(s > 0) || w * s < 1 || h * s < 1)
        return false;
    options.screenWidth = w;
    options.screenHeight = h;
    options.screenScale = s;
    return true;
}

std::optional<double> HostCommandLine::readEpoch(const std::string& text)
{
    return NumberText::real(text, -62135596800.0, 253402300799.0);
}

HostCommandLine HostCommandLine::parse(int argc, const char* const* argv)
{
    HostOptions options;
    Texts texts;
    CLI::App app { "The demo host app with the Glyphward lock", "glyphward-host" };
    addOptions(app, options, texts);
    addVersionFlag(app, "glyphward-host");
    if (auto stop = parseCommandLine(app, argc, argv)) {
        HostCommandLine result;
        result.status = stop->status;
        result.out = std::move(stop->out);
        result.err = std::move(stop->err);
        return result;
    }
    if (app.count("--root") > 0)
        options.root = texts.root;
    if (app.count("--script") > 0)
        options.script = texts.script;
    if (!readScreen(texts.screen, options))
        return mistake("--screen wants WxH@S, for example 320x568@2");
    if (app.count("--epoch") > 0) {
        options.epoch = readEpoch(texts.epoch);
        if (!options.epoch)
            return mistake("--epoch wants Unix seconds, a number from -62135596800 to 253402300799");
    }
    if (app.count("--zoom") > 0) {
        options.zoom = WindowFit::parseZoom(texts.zoom);
        if (!options.zoom)
            return mistake("--zoom wants a factor above 0 up to 4, for example 0.5");
    }
    if (app.count("--record") > 0) {
        if (options.headless || options.script)
            return mistake("--record records a session in the window; it does not go with --headless or --script");
        options.record = texts.record;
    } else if (options.force) {
        return mistake("--force goes with --record FILE");
    }
    HostCommandLine result;
    result.options = std::move(options);
    return result;
}
