#pragma once
#include <optional>
#include <string>

// What glyphward-host was asked to do, read and checked; nothing here touches the process.
struct HostOptions {
    // --root as given (it may be empty, which is a mistake the root's test reports); none: the default.
    std::optional<std::string> root;
    float screenWidth = 320;
    float screenHeight = 568;
    float screenScale = 2;
    std::string lang;
    bool headless = false;
    std::optional<std::string> script;
    std::optional<double> epoch;
    std::string snapshots = "glyphward-tour";
    bool noTweaks = false;
    bool printRoot = false;
    // The window's own flags: a zoom that overrides fitting the display; the file the session is
    // recorded into, and whether a file already there may be replaced.
    std::optional<double> zoom;
    std::optional<std::string> record;
    bool force = false;
};

// The host's command line: either options to run with, or what to print and the status to
// leave with (help: 0, on out; a mistake: 2, on err).
class HostCommandLine {
public:
    static HostCommandLine parse(int argc, const char* const* argv);

    // "WxH@S": points whole or decimal, 1 to 4096 each way; a scale above 0, at most 4, that
    // leaves at least one pixel each way.
    static bool readScreen(const std::string& text, HostOptions& options);
    // Unix seconds from the year 1 to the year 9999, the dates the log can print.
    static std::optional<double> readEpoch(const std::string& text);

    std::optional<HostOptions> options;
    int status = 0;
    std::string out;
    std::string err;
};
