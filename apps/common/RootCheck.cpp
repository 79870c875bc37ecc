#include "apps/common/RootCheck.h"

#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

const std::vector<std::string>& RootCheck::parts()
{
    static const std::vector<std::string> list = { "Library/MobileSubstrate/DynamicLibraries", "Library/Application Support/WeChat",
        "var/mobile/Library/Preferences" };
    return list;
}

std::string RootCheck::folderProblem(const std::string& path)
{
    if (path.empty())
        return "is an empty path";
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    if (status.type() == fs::file_type::not_found)
        return "does not exist";
    if (error)
        return "cannot be read: " + error.message();
    if (status.type() != fs::file_type::directory)
        return "is not a folder";
    return "";
}

std::string RootCheck::deviceRootProblem(const std::string& path)
{
    if (std::string problem = folderProblem(path); !problem.empty())
        return problem;
    std::string names;
    for (const std::string& part : parts()) {
        std::error_code error;
        if (fs::is_directory(fs::path(path) / part, error))
            return "";
        names += (names.empty() ? "" : ", ") + part;
    }
    return "holds none of the root's parts (" + names + ")";
}
