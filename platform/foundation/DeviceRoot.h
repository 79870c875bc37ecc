#pragma once
#include <string>

// The folder that stands for "/" of the device: every absolute path of the system lives under it.
class DeviceRoot {
public:
    // The root in force: the one set by setPath, else $GLYPHWARD_ROOT, else the root the build stages.
    static std::string path();
    // Overrides the root for the rest of the process (an empty string goes back to the default).
    static void setPath(std::string root);
    // Maps an absolute device path ("/Library/...") to the same path under the root.
    static std::string resolve(const std::string& absolutePath);
};
