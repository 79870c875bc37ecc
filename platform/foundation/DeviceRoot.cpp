#include "platform/foundation/DeviceRoot.h"

#include "platform/foundation/DeviceRootTemplate.h"
#include "platform/foundation/FoundationState.h"

#include <cstdlib>
#include <filesystem>
#include <pwd.h>
#include <unistd.h>
#include <vector>

#ifndef GLYPHWARD_STAGED_ROOT
#define GLYPHWARD_STAGED_ROOT "/"
#endif
// The template's place relative to the folder of the installed executables.
#ifndef GLYPHWARD_TEMPLATE_FROM_BIN
#define GLYPHWARD_TEMPLATE_FROM_BIN "../share/glyphward/root"
#endif
#ifndef GLYPHWARD_LIBRARY_TEMPLATE_FROM_BIN
#define GLYPHWARD_LIBRARY_TEMPLATE_FROM_BIN "../lib/glyphward/root"
#endif

namespace {
// "/a/b/" and "/a/b" name the same root; "/" stays "/".
std::string withoutTrailingSlash(std::string root)
{
    while (root.size() > 1 && root.back() == '/')
        root.pop_back();
    return root;
}

std::string environmentRoot()
{
    const char* env = std::getenv("GLYPHWARD_ROOT");
    return env && *env ? withoutTrailingSlash(env) : std::string();
}

// An absolute folder named by the variable, or empty: relative values are ignored, as the XDG
// base directory rules ask.
std::string absoluteFolder(const char* variable)
{
    const char* value = std::getenv(variable);
    return value && value[0] == '/' ? withoutTrailingSlash(value) : std::string();
}

std::string homeFolder()
{
    if (std::string home = absoluteFolder("HOME"); !home.empty())
        return home;
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(static_cast<std::size_t>(size > 0 ? size : 16384));
    passwd entry {};
    passwd* found = nullptr;
    if (::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || !found || !found->pw_dir
        || found->pw_dir[0] != '/')
        return {};
    return withoutTrailingSlash(found->pw_dir);
}

std::string runningExecutable()
{
    std::error_code error;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string() : exe.string();
}
} // namespace

std::string DeviceRoot::path()
{
    if (std::string root = FoundationState::current().deviceRootOverride(); !root.empty())
        return root;
    // Read at each call so a test or a tool may change the environment before first use.
    if (std::string env = environmentRoot(); !env.empty())
        return env;
    return defaultPath();
}

void DeviceRoot::setPath(std::string root)
{
    FoundationState::current().setDeviceRootOverride(root.empty() ? std::string() : withoutTrailingSlash(std::move(root)));
}

std::string DeviceRoot::resolve(const std::string& absolutePath)
{
    std::string root = path();
    if (root == "/")
        root.clear();
    if (absolutePath.empty())
        return root.empty() ? "/" : root;
    if (absolutePath.front() != '/')
        return root + "/" + absolutePath;
    return root + absolutePath;
}

std::string DeviceRoot::defaultPath()
{
    if (installedTemplate().empty())
        return withoutTrailingSlash(GLYPHWARD_STAGED_ROOT);
    return userRoot();
}

std::string DeviceRoot::installedTemplate()
{
    // The executable does not move while it runs: look once.
    static const std::string found = [] {
        const std::string exe = runningExecutable();
        if (exe.empty())
            return std::string();
        const std::string candidate = templateBeside(exe);
        std::error_code error;
        return std::filesystem::is_directory(candidate, error) ? candidate : std::string();
    }();
    return found;
}

std::string DeviceRoot::templateBeside(const std::string& executable)
{
    const std::filesystem::path exe(executable);
    return withoutTrailingSlash((exe.parent_path() / GLYPHWARD_TEMPLATE_FROM_BIN).lexically_normal().string());
}

std::string DeviceRoot::libraryTemplateBeside(const std::string& executable)
{
    const std::filesystem::path exe(executable);
    return withoutTrailingSlash((exe.parent_path() / GLYPHWARD_LIBRARY_TEMPLATE_FROM_BIN).lexically_normal().string());
}

std::string DeviceRoot::userRoot()
{
    std::string data = absoluteFolder("XDG_DATA_HOME");
    if (data.empty()) {
        const std::string home = homeFolder();
        if (home.empty())
            return {};
        data = (home == "/" ? "" : home) + "/.local/share";
    }
    return data + "/glyphward/root";
}

Result<void> DeviceRoot::prepare()
{
    if (!FoundationState::current().deviceRootOverride().empty())
        return {};
    if (!environmentRoot().empty())
        return {};
    const std::string templateFolder = installedTemplate();
    if (templateFolder.empty())
        return {};
    const std::string root = userRoot();
    if (root.empty())
        return Failure::because("cannot tell where your device root lives: neither XDG_DATA_HOME nor HOME names a folder");
    // Without its library half a root would hold a filter and no lock: refuse rather than run unlocked.
    const std::string libraryFolder = libraryTemplateBeside(runningExecutable());
    std::error_code missing;
    if (!std::filesystem::is_directory(libraryFolder, missing))
        return Failure::because("the template's library folder " + libraryFolder + " is missing; reinstall the package", libraryFolder);
    return DeviceRootTemplate({ templateFolder, libraryFolder }).apply(root);
}
