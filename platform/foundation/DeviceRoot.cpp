#include "platform/foundation/DeviceRoot.h"

#include <cstdlib>
#include <mutex>

#ifndef GLYPHWARD_STAGED_ROOT
#define GLYPHWARD_STAGED_ROOT "/"
#endif

namespace {
std::mutex& guard()
{
    static std::mutex mutex;
    return mutex;
}

std::string& overridden()
{
    static std::string root;
    return root;
}

// "/a/b/" and "/a/b" name the same root; "/" stays "/".
std::string withoutTrailingSlash(std::string root)
{
    while (root.size() > 1 && root.back() == '/')
        root.pop_back();
    return root;
}
} // namespace

std::string DeviceRoot::path()
{
    {
        std::lock_guard lock(guard());
        if (!overridden().empty())
            return overridden();
    }
    // Read at each call so a test or a tool may change the environment before first use.
    if (const char* env = std::getenv("GLYPHWARD_ROOT"); env && *env)
        return withoutTrailingSlash(env);
    return withoutTrailingSlash(GLYPHWARD_STAGED_ROOT);
}

void DeviceRoot::setPath(std::string root)
{
    std::lock_guard lock(guard());
    overridden() = root.empty() ? std::string() : withoutTrailingSlash(std::move(root));
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
