#include "platform/foundation/FileOps.h"

#include "platform/foundation/FoundationState.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <string_view>
#include <sys/file.h>
#include <unistd.h>

FileOps& FileOps::current() { return FoundationState::current().fileOps(); }

void FileOps::setCurrent(std::shared_ptr<FileOps> ops) { FoundationState::current().setFileOps(std::move(ops)); }

int FileOps::open(const std::string& path, int flags, mode_t mode)
{
    int fd;
    do
        fd = ::open(path.c_str(), flags | O_CLOEXEC, mode);
    while (fd < 0 && errno == EINTR);
    return fd;
}

ssize_t FileOps::read(int fd, void* buffer, size_t size)
{
    ssize_t n;
    do
        n = ::read(fd, buffer, size);
    while (n < 0 && errno == EINTR);
    return n;
}

ssize_t FileOps::write(int fd, const void* buffer, size_t size)
{
    ssize_t n;
    do
        n = ::write(fd, buffer, size);
    while (n < 0 && errno == EINTR);
    return n;
}

int FileOps::fsync(int fd) { return ::fsync(fd); }
int FileOps::fchmod(int fd, mode_t mode) { return ::fchmod(fd, mode); }
int FileOps::fstat(int fd, struct stat* info) { return ::fstat(fd, info); }
int FileOps::stat(const std::string& path, struct stat* info) { return ::stat(path.c_str(), info); }
int FileOps::close(int fd) { return UniqueFd::closeDescriptor(fd); }
int FileOps::rename(const std::string& from, const std::string& to) { return std::rename(from.c_str(), to.c_str()); }
int FileOps::renameNoReplace(const std::string& from, const std::string& to)
{
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return -1;
    // A file system without the flag still refuses to link over an existing name.
    if (::link(from.c_str(), to.c_str()) != 0)
        return -1;
    return ::unlink(from.c_str());
}

int FileOps::unlink(const std::string& path) { return ::unlink(path.c_str()); }
int FileOps::mkdir(const std::string& path, mode_t mode) { return ::mkdir(path.c_str(), mode); }

int FileOps::flock(int fd, int operation)
{
    int result;
    do
        result = ::flock(fd, operation);
    while (result < 0 && errno == EINTR);
    return result;
}

double FileOps::monotonicSeconds()
{
    struct timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

void FileOps::pause(double seconds)
{
    if (!(seconds > 0))
        return;
    struct timespec left{};
    left.tv_sec = static_cast<time_t>(seconds);
    left.tv_nsec = static_cast<long>((seconds - static_cast<double>(left.tv_sec)) * 1e9);
    while (::nanosleep(&left, &left) != 0 && errno == EINTR) { }
}

int FileOps::lockExclusiveWithin(int fd, double seconds)
{
    // Short pauses at first, as a holder that is writing lets go within milliseconds; longer
    // ones later, so that a stopped holder costs little while it is waited for.
    double pauseSeconds = 0.001;
    const double deadline = monotonicSeconds() + seconds;
    for (;;) {
        if (flock(fd, LOCK_EX | LOCK_NB) == 0)
            return 0;
        if (errno != EWOULDBLOCK)
            return -1;
        // The clock is read before the pause, so a lock that stays taken is tried once more at
        // the end of the wait however the pauses fall.
        const double now = monotonicSeconds();
        if (now >= deadline) {
            errno = EWOULDBLOCK;
            return -1;
        }
        pause(std::min(pauseSeconds, deadline - now));
        pauseSeconds = std::min(pauseSeconds * 2, 0.05);
    }
}

std::string FileOps::lockFailureText(int error)
{
    if (error == EWOULDBLOCK)
        return "it is locked by another process";
    return std::strerror(error);
}

std::optional<std::vector<std::string>> FileOps::listDirectory(const std::string& path)
{
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(path.c_str()), &::closedir);
    if (!dir)
        return std::nullopt;
    std::vector<std::string> names;
    // readdir answers null both at the end and on an error: only errno tells them apart.
    errno = 0;
    while (const dirent* entry = ::readdir(dir.get())) {
        const std::string_view name = entry->d_name;
        if (name != "." && name != "..")
            names.emplace_back(name);
        errno = 0;
    }
    const int error = errno;
    dir.reset();
    errno = error;
    if (error != 0)
        return std::nullopt;
    return names;
}

UniqueFd FileOps::openOwned(const std::string& path, int flags, mode_t mode)
{
    return UniqueFd(open(path, flags, mode), [](int fd) { return FileOps::current().close(fd); });
}

std::string FileOps::FileRead::why() const
{
    if (error != 0)
        return std::strerror(error);
    if (S_ISDIR(info.st_mode))
        return std::strerror(EISDIR);
    return regular ? std::string() : "not a regular file";
}

FileOps::FileRead FileOps::readRegularFile(const std::string& path)
{
    FileRead result;
    // Without O_NONBLOCK, opening a FIFO waits for a writer that may never come.
    const UniqueFd file = openOwned(path, O_RDONLY | O_NONBLOCK, 0);
    if (!file) {
        result.error = errno;
        return result;
    }
    if (fstat(file.get(), &result.info) != 0)
        result.error = errno;
    else if (!S_ISREG(result.info.st_mode))
        result.regular = false;
    char buffer[16384];
    while (result.ok()) {
        ssize_t n = read(file.get(), buffer, sizeof buffer);
        if (n == 0)
            break;
        if (n < 0)
            result.error = errno;
        else
            result.bytes.append(buffer, static_cast<std::size_t>(n));
    }
    return result;
}
