#pragma once
#include <string>
#include <vector>

// Whether a folder can stand for the device's "/". Each check answers what is wrong with the path,
// in words that follow it ("does not exist"), or an empty string when it will do.
class RootCheck {
public:
    // The settings tool's test: an existing folder (it makes the preferences folder under it).
    static std::string folderProblem(const std::string& path);
    // The host's test: an existing folder that holds at least one of the root's parts.
    static std::string deviceRootProblem(const std::string& path);
    // The folders, relative to the root, that a device root is made of.
    static const std::vector<std::string>& parts();
};
