#include "platform/foundation/UniqueFd.h"

#include <unistd.h>
#include <utility>

UniqueFd::UniqueFd(int fd, Closer closer) noexcept
    : fd_(fd < 0 ? -1 : fd)
    , closer_(closer)
{
}

UniqueFd::~UniqueFd() { close(); }

UniqueFd::UniqueFd(UniqueFd&& other) noexcept
    : fd_(std::exchange(other.fd_, -1))
    , closer_(other.closer_)
{
}

UniqueFd& UniqueFd::operator=(UniqueFd&& other) noexcept
{
    if (this != &other) {
        close();
        fd_ = std::exchange(other.fd_, -1);
        closer_ = other.closer_;
    }
    return *this;
}

int UniqueFd::release() noexcept { return std::exchange(fd_, -1); }

void UniqueFd::reset(int fd) noexcept
{
    close();
    fd_ = fd < 0 ? -1 : fd;
}

int UniqueFd::close() noexcept
{
    const int fd = std::exchange(fd_, -1);
    return fd < 0 ? 0 : closer_(fd);
}

int UniqueFd::closeDescriptor(int fd) { return ::close(fd); }
