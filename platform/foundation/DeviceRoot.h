#pragma once
#include "platform/foundation/Result.h"

#include <string>

// The folder that stands for "/" of the device: every absolute path of the system lives under it.
class DeviceRoot {
public:
    // The root in force: the one set by setPath, else $GLYPHWARD_ROOT, else the default root.
    static std::string path();
    // Overrides the root for the rest of the toolkit's life (an empty string goes back to the default).
    static void setPath(std::string root);
    // Maps an absolute device path ("/Library/...") to the same path under the root.
    static std::string resolve(const std::string& absolutePath);

    // The user's own root when the running executable is installed beside a template, else the
    // root the build stages.
    static std::string defaultPath();
    // The template installed beside the running executable, or empty when it runs from the build tree.
    static std::string installedTemplate();
    // Where the template of an executable at this path would be, whether or not it is there.
    static std::string templateBeside(const std::string& executable);
    // The template's architecture-dependent part (the lock's library), kept under the library
    // folder apart from the rest, for an executable at this path.
    static std::string libraryTemplateBeside(const std::string& executable);
    // $XDG_DATA_HOME/glyphward/root, else ~/.local/share/glyphward/root; empty when there is no home.
    static std::string userRoot();
    // Makes or refreshes the user's root from the installed template when that is the root in
    // force. Fails when the root could not be made ready: nothing may use it then.
    static Result<void> prepare();
};
