#include "platform/loader/DynamicLibraryOpener.h"

#include "platform/foundation/UniqueFd.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <fstream>
#include <link.h>
#include <memory>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#include <vector>

namespace {

// How many descriptor numbers a library may try for a name no loaded object answers to.
constexpr int maximumMoves = 64;

// A handle from dlopen, given back with dlclose unless it is kept for good.
struct LibraryClose {
    void operator()(void* handle) const { ::dlclose(handle); }
};
using LibraryHandle = std::unique_ptr<void, LibraryClose>;

// What has been loaded, for the life of the process: libraries are never unloaded (their handles
// are kept only to be recognised), and each one's descriptor stays open so that its number cannot
// come back as another library's name.
struct Loaded {
    std::vector<UniqueFd> descriptors;
    std::vector<void*> handles;
};

Loaded& loaded()
{
    static Loaded everything;
    return everything;
}

std::string procName(int fd) { return "/proc/self/fd/" + std::to_string(fd); }

template <typename Number>
bool parse(const std::string& text, Number& value, int base)
{
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    return error == std::errc() && end == text.data() + text.size();
}

// Whether the file open at fd is mapped into the process already, as /proc/self/maps tells
// (device major:minor in hex, then the inode): a library loaded under another name.
bool fileIsMapped(int fd)
{
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return false;
    std::ifstream maps("/proc/self/maps");
    std::string range, permissions, offset, device, inode;
    while (maps >> range >> permissions >> offset >> device >> inode) {
        std::string rest;
        std::getline(maps, rest);
        const auto colon = device.find(':');
        unsigned major = 0, minor = 0;
        ino_t number = 0;
        if (colon == std::string::npos || !parse(device.substr(0, colon), major, 16)
            || !parse(device.substr(colon + 1), minor, 16) || !parse(inode, number, 10))
            continue;
        if (number == st.st_ino && major == major(st.st_dev) && minor == minor(st.st_dev))
            return true;
    }
    return false;
}

// Whether the dynamic linker has an object under this name (or for the file behind it).
bool nameTaken(const std::string& name)
{
    const LibraryHandle handle(::dlopen(name.c_str(), RTLD_LAZY | RTLD_NOLOAD));
    return handle != nullptr;
}

// Moves the descriptor to a number whose /proc name no loaded object answers to and answers
// that name, or an empty one when no free number was found.
std::string freeName(UniqueFd& own)
{
    for (int moves = 0; moves < maximumMoves; ++moves) {
        if (!nameTaken(procName(own.get())))
            return procName(own.get());
        const int moved = ::fcntl(own.get(), F_DUPFD_CLOEXEC, own.get() + 1);
        if (moved < 0)
            return {};
        own.reset(moved);
    }
    return {};
}

// Whether dlopen made a new object under the name rather than handing back one it had.
bool isNewObject(void* handle, const std::string& name)
{
    const auto& handles = loaded().handles;
    link_map* map = nullptr;
    if (std::find(handles.begin(), handles.end(), handle) != handles.end() || ::dlinfo(handle, RTLD_DI_LINKMAP, &map) != 0
        || !map || !map->l_name)
        return false;
    return name == map->l_name;
}

} // namespace

Result<DynamicLibraryOpener::Outcome> DynamicLibraryOpener::open(int fd, const std::string& path)
{
    UniqueFd own(::fcntl(fd, F_DUPFD_CLOEXEC, 0));
    if (!own) {
        const int error = errno;
        return Failure{ "fcntl", path, error, std::strerror(error) };
    }
    // The file is looked for before any name is tried: a name lookup that finds the file under
    // another name adds that name to it for good.
    std::string name;
    if (::access(procName(own.get()).c_str(), F_OK) == 0) {
        if (fileIsMapped(own.get()))
            return Outcome::AlreadyLoaded;
        name = freeName(own);
        if (name.empty())
            return Failure::because("no descriptor number is free of loaded objects' names", path);
    } else {
        // Without /proc the path is the only way left; it was checked a moment ago.
        if (nameTaken(path))
            return Outcome::AlreadyLoaded;
        name = path;
    }

    LibraryHandle handle(::dlopen(name.c_str(), RTLD_NOW | RTLD_GLOBAL));
    if (!handle) {
        const char* message = ::dlerror();
        return Failure{ "dlopen", path, 0, message ? message : "unknown error" };
    }
    if (!isNewObject(handle.get(), name))
        return Outcome::AlreadyLoaded;
    loaded().handles.push_back(handle.release());
    loaded().descriptors.push_back(std::move(own));
    return Outcome::Loaded;
}
