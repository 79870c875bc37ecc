// glyphward-defaults: reads and writes the settings files that NSUserDefaults keeps, from outside.
#include "DefaultsTool.h"

#include "platform/foundation/DeviceRoot.h"

#include <CLI/CLI.hpp>

#include <iostream>

int main(int argc, char** argv)
{
    CLI::App app("Reads and writes the settings domains under the device root.", "glyphward-defaults");
    std::string root;
    app.add_option("--root", root, "The device root (else $GLYPHWARD_ROOT, else the default root)");
    // Everything from the verb on is ours to read: values such as "-5" or "-bool" are not options.
    app.prefix_command();
    app.footer(DefaultsTool::usage());
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        return app.exit(error) == 0 ? 0 : 2;
    }
    if (!root.empty())
        DeviceRoot::setPath(root);
    if (std::string error; !DeviceRoot::prepare(error)) {
        std::cerr << "glyphward-defaults: " << error << "\n";
        return 2;
    }
    DefaultsTool tool(std::cout, std::cerr);
    int status = tool.run(app.remaining());
    std::cout.flush();
    return status;
}
