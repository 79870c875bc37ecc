#include "apps/common/CommandLineParse.h"

#include <CLI/CLI.hpp>

#include <sstream>

std::string versionLine(const std::string& program) { return program + " " + GLYPHWARD_VERSION; }

void addVersionFlag(CLI::App& app, const std::string& program)
{
    app.set_version_flag("--version", versionLine(program), "Print the version and exit");
}

std::optional<CommandLineStop> parseCommandLine(CLI::App& app, int argc, const char* const* argv)
{
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        std::ostringstream out;
        std::ostringstream err;
        CommandLineStop stop;
        stop.status = app.exit(error, out, err) == 0 ? 0 : 2;
        stop.out = out.str();
        stop.err = err.str();
        return stop;
    }
    return std::nullopt;
}
