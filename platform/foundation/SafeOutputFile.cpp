#include "platform/foundation/SafeOutputFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string because(const char* what) { return std::string(what) + " (" + std::strerror(errno) + ")"; }

// Makes the missing folders of path, each 0700 set outright; those that exist are left alone.
bool makeFolders(const std::filesystem::path& path, std::string& error)
{
    std::filesystem::path made;
    for (const auto& part : path) {
        made /= part;
        if (::mkdir(made.c_str(), 0700) == 0) {
            const UniqueFd folder(::open(made.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
            if (!folder || ::fchmod(folder.get(), 0700) != 0) {
                error = made.string() + " " + because("cannot be made private");
                return false;
            }
        } else if (errno != EEXIST) {
            error = made.string() + " " + because("cannot be made");
            return false;
        }
    }
    return true;
}

} // namespace

UniqueFd SafeOutputFile::openFolder(const std::string& path, bool create, std::string& error)
{
    error.clear();
    const std::string folder = path.empty() ? "." : path;
    UniqueFd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!fd && errno == ENOENT && create && makeFolders(folder, error))
        fd.reset(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!fd) {
        if (!error.empty())
            return {};
        struct stat seen {};
        if ((errno == ELOOP || errno == ENOTDIR) && ::lstat(folder.c_str(), &seen) == 0)
            error = folder + (S_ISLNK(seen.st_mode) ? " is a symbolic link" : " is not a folder");
        else
            error = folder + " " + because("cannot be opened");
        return {};
    }
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0) {
        error = folder + " " + because("cannot be examined");
        return {};
    }
    if (info.st_uid != ::geteuid()) {
        error = folder + " belongs to another user";
        return {};
    }
    return fd;
}

UniqueFd SafeOutputFile::openFile(int folder, const std::string& name, std::string& error, Existing existing)
{
    if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos) {
        error = "\"" + name + "\" is not a file name";
        return {};
    }
    struct stat seen {};
    if (::fstatat(folder, name.c_str(), &seen, AT_SYMLINK_NOFOLLOW) != 0) {
        if (errno != ENOENT) {
            error = name + " " + because("cannot be examined");
            return {};
        }
        // A name that is free now is taken only if it is still free: never one planted meanwhile.
        UniqueFd made(::openat(folder, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (!made)
            error = errno == EEXIST && existing == Existing::Keep ? name + " exists" : name + " " + because("cannot be created");
        return made;
    }
    if (existing == Existing::Keep) {
        error = name + " exists";
        return {};
    }
    if (S_ISLNK(seen.st_mode)) {
        error = name + " is a symbolic link";
        return {};
    }
    if (!S_ISREG(seen.st_mode) && !S_ISFIFO(seen.st_mode)) {
        error = name + " is not a regular file";
        return {};
    }
    if (seen.st_uid != ::geteuid()) {
        error = name + " belongs to another user";
        return {};
    }
    // A FIFO of the user's is opened as they meant it: the writer waits for their reader.
    const int flags = O_WRONLY | O_NOFOLLOW | O_CLOEXEC | (S_ISREG(seen.st_mode) ? O_NONBLOCK : 0);
    UniqueFd fd(::openat(folder, name.c_str(), flags));
    struct stat opened {};
    if (!fd || ::fstat(fd.get(), &opened) != 0) {
        error = name + " " + because("cannot be opened");
        return {};
    }
    if (opened.st_dev != seen.st_dev || opened.st_ino != seen.st_ino) {
        error = name + " changed while it was being opened";
        return {};
    }
    if (S_ISREG(opened.st_mode) && ::ftruncate(fd.get(), 0) != 0) {
        error = name + " " + because("cannot be emptied");
        return {};
    }
    return fd;
}

UniqueFd SafeOutputFile::open(const std::string& path, bool create, std::string& error, Existing existing)
{
    const std::filesystem::path file(path);
    const UniqueFd folder = openFolder(file.parent_path().string(), create, error);
    if (!folder)
        return {};
    UniqueFd fd = openFile(folder.get(), file.filename().string(), error, existing);
    if (!fd)
        error = (file.has_parent_path() ? file.parent_path().string() + "/" : std::string()) + error;
    return fd;
}
