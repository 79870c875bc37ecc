#include "DefaultsCommandLine.h"

#include "DefaultsTool.h"
#include "apps/common/CommandLineParse.h"

#include <CLI/CLI.hpp>

#include <utility>

DefaultsCommandLine DefaultsCommandLine::parse(int argc, const char* const* argv)
{
    DefaultsCommandLine result;
    CLI::App app("Reads and writes the settings domains under the device root.", "glyphward-defaults");
    std::string root;
    app.add_option("--root", root, "The device root (else $GLYPHWARD_ROOT, else the default root)");
    addVersionFlag(app, "glyphward-defaults");
    app.prefix_command();
    app.footer(DefaultsTool::usage());
    if (auto stop = parseCommandLine(app, argc, argv)) {
        result.status = stop->status;
        result.out = std::move(stop->out);
        result.err = std::move(stop->err);
        return result;
    }
    result.run = true;
    if (app.count("--root") > 0)
        result.root = root;
    result.words = app.remaining();
    return result;
}
