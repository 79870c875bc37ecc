#pragma once
#include <optional>
#include <string>

namespace CLI {
class App;
}

// What a command line that does not run says instead, and the status it leaves with.
struct CommandLineStop {
    int status = 0;
    std::string out;
    std::string err;
};

// The version line both tools print for --version: "NAME VERSION".
std::string versionLine(const std::string& program);
// Adds --version to the app, listed in its help.
void addVersionFlag(CLI::App& app, const std::string& program);

// Parses the arguments into the app's options; nothing when the program should go on, or, for
// --help, --version and every mistake CLI11 finds, the text to print and the status (help and version 0, a mistake 2).
std::optional<CommandLineStop> parseCommandLine(CLI::App& app, int argc, const char* const* argv);
