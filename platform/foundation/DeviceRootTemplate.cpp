#include "platform/foundation/DeviceRootTemplate.h"

#include "platform/foundation/FileOps.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr const char* stagingPrefix = ".glyphward-new-";
constexpr std::size_t maximumStampSize = 4096;

// The failed call on a path with the errno it left, said as "WHAT PATH (reason)".
Failure failure(const std::string& what, const std::string& path)
{
    const int error = errno;
    return Failure{ what, path, error, what + " " + path + " (" + std::strerror(error) + ")" };
}

// A small regular file's bytes; false when it is missing, not a file or too large for a stamp.
bool readStamp(const std::string& path, std::string& out)
{
    FileOps& ops = FileOps::current();
    const UniqueFd file = ops.openOwned(path, O_RDONLY | O_NOFOLLOW, 0);
    struct stat info {};
    if (!file || ops.fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_size <= 0
        || static_cast<std::size_t>(info.st_size) > maximumStampSize)
        return false;
    std::string bytes(static_cast<std::size_t>(info.st_size), '\0');
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ops.read(file.get(), bytes.data() + done, bytes.size() - done);
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    out = std::move(bytes);
    return true;
}

bool writeAll(int fd, const char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t n = FileOps::current().write(fd, data, size);
        if (n <= 0)
            return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool syncFolder(const std::string& path)
{
    const UniqueFd folder = FileOps::current().openOwned(path, O_RDONLY | O_DIRECTORY, 0);
    return folder && FileOps::current().fsync(folder.get()) == 0;
}

// Copies one regular file, flushed to disk, 0600 and owned by whoever runs this: a root is private
// to its owner, and a library needs no more than its owner's reading to be loaded.
Result<void> copyFile(const std::string& from, const std::string& to)
{
    FileOps& ops = FileOps::current();
    const UniqueFd source = ops.openOwned(from, O_RDONLY | O_NOFOLLOW, 0);
    struct stat info {};
    if (!source || ops.fstat(source.get(), &info) != 0)
        return failure("cannot read", from);
    UniqueFd target = ops.openOwned(to, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW, 0600);
    if (!target)
        return failure("cannot create", to);
    char buffer[65536];
    for (;;) {
        const ssize_t n = ops.read(source.get(), buffer, sizeof buffer);
        if (n < 0)
            return failure("cannot read", from);
        if (n == 0)
            break;
        if (!writeAll(target.get(), buffer, static_cast<std::size_t>(n)))
            return failure("cannot write", to);
    }
    // Closed here, so that a failed close, which can be a failed write, is seen.
    if (ops.fchmod(target.get(), 0600) != 0 || ops.fsync(target.get()) != 0 || target.close() != 0)
        return failure("cannot write", to);
    return {};
}

// Sets a folder's mode outright, whatever the umask gave it; never through a link.
bool setFolderMode(const std::string& path, mode_t mode)
{
    FileOps& ops = FileOps::current();
    const UniqueFd folder = ops.openOwned(path, O_RDONLY | O_DIRECTORY | O_NOFOLLOW, 0);
    return folder && ops.fchmod(folder.get(), mode) == 0;
}

// A folder that only this run uses, made afresh, private to its owner.
Result<void> makeFolder(const std::string& path)
{
    if (FileOps::current().mkdir(path, 0700) == 0 && setFolderMode(path, 0700))
        return {};
    return failure("cannot create", path);
}

// Makes every missing folder on the way to path (path too), each 0700 whatever the umask, so
// that no other user can put anything in a root made here, nor swap it for another.
Result<void> makePrivateFolders(const std::string& path)
{
    for (std::size_t slash = 0; slash != std::string::npos;) {
        slash = path.find('/', slash + 1);
        const std::string part = path.substr(0, slash);
        if (part.empty() || part == "/")
            continue;
        if (FileOps::current().mkdir(part, 0700) == 0) {
            if (!setFolderMode(part, 0700))
                return failure("cannot set the mode of", part);
        } else if (errno != EEXIST) {
            return failure("cannot create", part);
        }
    }
    return {};
}

// A folder of ours that a root made under a loose umask left open to others is closed again;
// one of another user's is left as it is, for the loader and the settings store to refuse.
void makePrivateIfOurs(const std::string& path)
{
    FileOps& ops = FileOps::current();
    const UniqueFd folder = ops.openOwned(path, O_RDONLY | O_DIRECTORY | O_NOFOLLOW, 0);
    struct stat info {};
    if (folder && ops.fstat(folder.get(), &info) == 0 && info.st_uid == ::geteuid() && (info.st_mode & 077) != 0)
        ops.fchmod(folder.get(), 0700);
}

// Copies the contents of one folder into another that exists; folders get 0700, and are flushed.
// Anything but files and folders (a link, a device) is refused: a template holds neither.
Result<void> copyTree(const std::string& from, const std::string& to)
{
    const auto names = FileOps::current().listDirectory(from);
    if (!names)
        return failure("cannot list", from);
    for (const std::string& name : *names) {
        const std::string source = from + "/" + name;
        const std::string target = to + "/" + name;
        struct stat info {};
        if (::lstat(source.c_str(), &info) != 0)
            return failure("cannot read", source);
        Result<void> copied;
        if (S_ISDIR(info.st_mode)) {
            copied = makeFolder(target);
            if (copied.ok())
                copied = copyTree(source, target);
        } else if (S_ISREG(info.st_mode)) {
            copied = copyFile(source, target);
        } else {
            copied = Failure::because("the template's " + source + " is neither a file nor a folder", source);
        }
        if (!copied.ok())
            return copied;
    }
    if (!setFolderMode(to, 0700) || !syncFolder(to))
        return failure("cannot finish", to);
    return {};
}

// Puts the folder `staged` in the place of `target`; answers where the old contents went (empty
// when there were none). Where the file system can exchange two names at once, `target` names a
// whole part at every moment. On failure `target` is as it was.
Result<std::string> swapIn(const std::string& staged, const std::string& target)
{
    FileOps& ops = FileOps::current();
    struct stat info {};
    if (::lstat(target.c_str(), &info) != 0) {
        if (errno == ENOENT && ops.rename(staged, target) == 0)
            return std::string();
        return failure("cannot put in place", target);
    }
    if (::renameat2(AT_FDCWD, staged.c_str(), AT_FDCWD, target.c_str(), RENAME_EXCHANGE) == 0)
        return staged;
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP)
        return failure("cannot put in place", target);
    const std::string aside = staged + "-old";
    if (ops.rename(target, aside) != 0)
        return failure("cannot put in place", target);
    if (ops.rename(staged, target) != 0) {
        Failure failed = failure("cannot put in place", target);
        ops.rename(aside, target);
        return failed;
    }
    return aside;
}

// Staging folders and stamps left by a run that was stopped half-way; only a refresh, which
// holds the root's lock, makes them.
void sweepLeftovers(const std::string& root)
{
    const std::string stampTemporary = std::string(DeviceRootTemplate::stampName) + ".";
    for (const std::string& name : FileOps::current().listDirectory(root).value_or(std::vector<std::string> {})) {
        if (name.rfind(stagingPrefix, 0) == 0 || name.rfind(stampTemporary, 0) == 0) {
            std::error_code ignored;
            fs::remove_all(root + "/" + name, ignored);
        }
    }
}

bool isFolder(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// Writes the stamp beside its place, flushed, then renames it over: the last step of a refresh.
Result<void> writeStamp(const std::string& root, const std::string& stamp)
{
    FileOps& ops = FileOps::current();
    const std::string path = root + "/" + DeviceRootTemplate::stampName;
    const std::string temporary = path + "." + std::to_string(::getpid());
    UniqueFd file = ops.openOwned(temporary, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW, 0600);
    const bool written = file && writeAll(file.get(), stamp.data(), stamp.size()) && ops.fchmod(file.get(), 0600) == 0
        && ops.fsync(file.get()) == 0 && file.close() == 0;
    if (written && ops.rename(temporary, path) == 0 && syncFolder(root))
        return {};
    Failure failed = failure("cannot write", path);
    ops.unlink(temporary);
    return failed;
}

} // namespace

const std::vector<std::string>& DeviceRootTemplate::parts()
{
    static const std::vector<std::string> list { "Library/MobileSubstrate/DynamicLibraries", "Library/Application Support/WeChat" };
    return list;
}

DeviceRootTemplate::DeviceRootTemplate(std::string folder) : folders_ { std::move(folder) } { }

DeviceRootTemplate::DeviceRootTemplate(std::vector<std::string> folders) : folders_(std::move(folders)) { }

Result<void> DeviceRootTemplate::apply(const std::string& root) const
{
    std::string stamp;
    const std::string main = folders_.empty() ? std::string() : folders_.front();
    if (!readStamp(main + "/" + stampName, stamp))
        return Failure::because("the template " + main + " has no stamp " + stampName + "; reinstall the package", main);
    const Result<void> madeFolders = makePrivateFolders(root);
    if (!madeFolders.ok())
        return madeFolders.failure().within("cannot make the device root " + root + " (", ")");
    const UniqueFd rootFolder = FileOps::current().openOwned(root, O_RDONLY | O_DIRECTORY, 0);
    // Two first runs at once: the second waits, then finds the root made; a holder that
    // stopped makes it give up after a bounded wait.
    if (!rootFolder || FileOps::current().lockExclusiveWithin(rootFolder.get(), FileOps::kLockWaitSeconds) != 0) {
        const int error = errno;
        return Failure::because("cannot make the device root " + root + " (" + FileOps::lockFailureText(error) + ")", root, error);
    }
    std::string current;
    const bool stamped = readStamp(root + "/" + stampName, current);
    bool upToDate = stamped && current == stamp;
    for (const auto& part : parts())
        upToDate = upToDate && hasPart(part) == isFolder(root + "/" + part);
    if (upToDate)
        return {};
    const Result<void> refreshed = refresh(root, stamp);
    if (refreshed.ok())
        return {};
    return refreshed.failure().within(std::string(stamped ? "cannot refresh" : "cannot make") + " the device root " + root + " from " + main + ": ");
}

bool DeviceRootTemplate::hasPart(const std::string& part) const
{
    for (const std::string& folder : folders_)
        if (isFolder(folder + "/" + part))
            return true;
    return false;
}

Result<void> DeviceRootTemplate::refresh(const std::string& root, const std::string& stamp) const
{
    // The old stamp goes first: a root left half refreshed must never pass for up to date, not
    // even with the template it was made from.
    const std::string stampPath = root + "/" + stampName;
    if ((FileOps::current().unlink(stampPath) != 0 && errno != ENOENT) || !syncFolder(root))
        return failure("cannot remove", stampPath);
    sweepLeftovers(root);
    // The root and the folders that hold its parts are closed to others, also in a root an
    // earlier version made under a loose umask.
    makePrivateIfOurs(root);
    for (const auto& part : parts())
        for (fs::path above = fs::path(part).parent_path(); !above.empty(); above = above.parent_path())
            makePrivateIfOurs(root + "/" + above.string());
    for (const auto& part : parts())
        if (Result<void> replaced = replacePart(root, part); !replaced.ok())
            return replaced;
    return writeStamp(root, stamp);
}

Result<void> DeviceRootTemplate::replacePart(const std::string& root, const std::string& part) const
{
    const std::string target = root + "/" + part;
    const std::string parent = fs::path(target).parent_path().string();
    std::error_code ec;
    if (!hasPart(part)) {
        // A part the template no longer has: its files go one by one, none is ever seen half there.
        fs::remove_all(target, ec);
        if (ec)
            return Failure{ "cannot remove", target, ec.value(), "cannot remove " + target + " (" + ec.message() + ")" };
        return {};
    }
    // Beside the root's parts, on the same file system, so that it can be renamed into place.
    const std::string staged = root + "/" + stagingPrefix + std::to_string(::getpid());
    std::string old;
    Result<void> done = makeFolder(staged);
    for (const std::string& folder : folders_)
        if (done.ok() && isFolder(folder + "/" + part))
            done = copyTree(folder + "/" + part, staged);
    if (done.ok())
        done = makePrivateFolders(parent);
    if (done.ok()) {
        Result<std::string> swapped = swapIn(staged, target);
        if (swapped.ok())
            old = std::move(swapped).value();
        else
            done = swapped.failure();
    }
    if (done.ok() && !syncFolder(parent))
        done = failure("cannot flush", parent);
    // What is left beside the part is the copy that failed or the part it replaced.
    std::error_code ignored;
    fs::remove_all(staged, ignored);
    if (!old.empty())
        fs::remove_all(old, ignored);
    return done;
}
