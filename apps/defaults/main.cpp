// glyphward-defaults: reads and writes the settings files that NSUserDefaults keeps, from outside.
#include "DefaultsCommandLine.h"
#include "DefaultsTool.h"

#include "apps/common/RootCheck.h"
#include "platform/foundation/DeviceRoot.h"
#include "platform/toolkit/Toolkit.h"

#include <exception>
#include <iostream>

namespace {

// The status for a failure nobody foresaw (an exception that reached main), apart from the
// tool's own 1 (nothing there, or the write failed) and 2 (the command was wrong).
constexpr int kInternalError = 70;

int run(int argc, char** argv)
{
    Toolkit toolkit;
    const DefaultsCommandLine line = DefaultsCommandLine::parse(argc, argv);
    std::cout << line.out;
    std::cerr << line.err;
    if (!line.run)
        return line.status;
    // Installed, the user's own root is made or refreshed first; never run on a half-made one.
    if (!line.root) {
        if (const Result<void> ready = DeviceRoot::prepare(); !ready.ok()) {
            std::cerr << "glyphward-defaults: " << ready.failure().message << "\n";
            return 2;
        }
    }
    // Any existing folder will do: the store makes the preferences folder under it.
    const std::string root = line.root.value_or(DeviceRoot::path());
    if (const std::string problem = RootCheck::folderProblem(root); !problem.empty()) {
        std::cerr << "glyphward-defaults: the device root " << (root.empty() ? "\"\"" : root) << " " << problem << "\n";
        return 2;
    }
    if (line.root)
        DeviceRoot::setPath(root);
    DefaultsTool tool(std::cout, std::cerr);
    return tool.run(line.words);
}

} // namespace

int main(int argc, char** argv)
{
    int status = kInternalError;
    try {
        status = run(argc, argv);
    } catch (const std::exception& error) {
        std::cerr << "glyphward-defaults: internal error: " << error.what() << "\n";
    } catch (...) {
        std::cerr << "glyphward-defaults: internal error\n";
    }
    std::cout.flush();
    return status;
}
