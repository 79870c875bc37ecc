#include "platform/foundation/FolderTrust.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace {

std::string withoutTrailingSlash(std::string path)
{
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

std::vector<std::string> componentsBelow(const std::string& root, const std::string& folder)
{
    std::vector<std::string> names;
    std::size_t at = root == "/" ? 1 : root.size() + 1;
    while (at < folder.size()) {
        const std::size_t slash = folder.find('/', at);
        const std::size_t end = slash == std::string::npos ? folder.size() : slash;
        if (end > at)
            names.push_back(folder.substr(at, end - at));
        at = end + 1;
    }
    return names;
}

FolderTrust::Verdict verdict(FolderTrust::Verdict::Kind kind, std::string path, std::string problem = {})
{
    FolderTrust::Verdict result;
    result.kind = kind;
    result.path = std::move(path);
    result.problem = std::move(problem);
    return result;
}

// Why a folder could not be opened, as a verdict; the parent is open at parentFd (or AT_FDCWD).
FolderTrust::Verdict openFailure(int parentFd, const std::string& name, const std::string& path, int error)
{
    if (error == ENOENT)
        return verdict(FolderTrust::Verdict::Kind::Missing, path);
    struct stat info {};
    if ((error == ELOOP || error == ENOTDIR) && ::fstatat(parentFd, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0)
        return verdict(FolderTrust::Verdict::Kind::Untrusted, path, S_ISLNK(info.st_mode) ? "is a symbolic link" : "is not a folder");
    return verdict(FolderTrust::Verdict::Kind::Untrusted, path, std::string("cannot be opened (") + std::strerror(error) + ")");
}

} // namespace

std::string FolderTrust::Verdict::describe() const
{
    if (kind == Kind::Missing)
        return path + " does not exist";
    return problem.empty() ? path : path + " " + problem;
}

std::string FolderTrust::untrustedReason(const struct stat& info)
{
    if (!S_ISDIR(info.st_mode))
        return "is not a folder";
    if (info.st_mode & (S_IWGRP | S_IWOTH))
        return "is writable by group or others";
    if (info.st_uid != ::geteuid() && info.st_uid != 0)
        return "is owned by another user";
    return {};
}

FolderTrust::Verdict FolderTrust::judge(const std::string& rootPath, const std::string& folderPath)
{
    const std::string folder = withoutTrailingSlash(folderPath);
    std::string root = withoutTrailingSlash(rootPath);
    const bool under = folder == root || (folder.size() > root.size() && folder.compare(0, root.size(), root) == 0
                                            && (root == "/" || folder[root.size()] == '/'));
    if (!under || root.empty())
        root = folder;

    // The root is where the user put it: a link naming it is followed, and what it names is judged.
    std::string path = root;
    UniqueFd current(::open(root.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!current)
        return openFailure(AT_FDCWD, root, root, errno);
    for (const std::string& name : componentsBelow(root, folder)) {
        struct stat info {};
        if (::fstat(current.get(), &info) != 0)
            return verdict(Verdict::Kind::Untrusted, path, std::string("cannot be examined (") + std::strerror(errno) + ")");
        if (std::string why = untrustedReason(info); !why.empty())
            return verdict(Verdict::Kind::Untrusted, path, why);
        const std::string below = (path == "/" ? "" : path) + "/" + name;
        UniqueFd next(::openat(current.get(), name.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (!next)
            return openFailure(current.get(), name, below, errno);
        current = std::move(next);
        path = below;
    }
    struct stat info {};
    if (::fstat(current.get(), &info) != 0)
        return verdict(Verdict::Kind::Untrusted, path, std::string("cannot be examined (") + std::strerror(errno) + ")");
    if (std::string why = untrustedReason(info); !why.empty())
        return verdict(Verdict::Kind::Untrusted, path, why);
    Verdict trusted = verdict(Verdict::Kind::Trusted, path);
    trusted.folder = std::move(current);
    return trusted;
}
