#include "platform/foundation/FileOps.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {
std::shared_ptr<FileOps>& slot()
{
    static std::shared_ptr<FileOps> ops = std::make_shared<FileOps>();
    return ops;
}
} // namespace

FileOps& FileOps::current() { return *slot(); }

void FileOps::setCurrent(std::shared_ptr<FileOps> ops) { slot() = ops ? std::move(ops) : std::make_shared<FileOps>(); }

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
// A close interrupted by a signal has still released the descriptor on Linux: never retry it.
int FileOps::close(int fd) { return ::close(fd); }
int FileOps::rename(const std::string& from, const std::string& to) { return std::rename(from.c_str(), to.c_str()); }
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
