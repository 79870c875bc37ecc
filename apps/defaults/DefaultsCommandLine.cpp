#include "DefaultsCommandLine.h"

#include "DefaultsTool.h"

#include <CLI/CLI.hpp>

#include <sstream>

DefaultsCommandLine DefaultsCommandLine::parse(int argc, const char* const* argv)
{
    DefaultsCommandLine result;
    CLI::App app("Reads and writes the settings domains under the device root.", "glyphward-defaults");
    std::string root;
    app.add_option("--root", root, "The device root (else $GLYPHWARD_ROOT, else the default root)");
    app.prefix_command();
    app.footer(DefaultsTool::usage());
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        std::ostringstream out;
        std::ostringstream err;
        // Help answers 0; every mistake CLI11 finds leaves with the usage status.
        result.status = app.exit(error, out, err) == 0 ? 0 : 2;
        result.out = out.str();
        result.err = err.str();
        return result;
    }
    result.run = true;
    if (app.count("--root") > 0)
        result.root = root;
    result.words = app.remaining();
    return result;
}
