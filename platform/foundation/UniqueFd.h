#pragma once

// One open file descriptor and the duty to close it, like std::unique_ptr for a pointer:
// move-only, closed when its owner lets go of it.
class UniqueFd {
public:
    // Closes a descriptor as close(2) does: 0, or -1 and errno.
    using Closer = int (*)(int fd);

    UniqueFd() noexcept = default;
    // Takes fd (none when negative), to be closed by the closer: ::close unless another is given,
    // so that a descriptor goes back through the layer that opened it.
    explicit UniqueFd(int fd, Closer closer = &UniqueFd::closeDescriptor) noexcept;
    ~UniqueFd();
    UniqueFd(UniqueFd&& other) noexcept;
    UniqueFd& operator=(UniqueFd&& other) noexcept;
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    // The descriptor, or -1 for none; it stays owned here.
    int get() const noexcept { return fd_; }
    explicit operator bool() const noexcept { return fd_ >= 0; }
    // Hands the descriptor to the caller, who closes it from now on; none is left here.
    int release() noexcept;
    // Closes the descriptor held, if any, and takes fd in its place with the same closer.
    void reset(int fd = -1) noexcept;
    // Closes now and answers the closer's result (0 with nothing to close): a failed close can
    // mean a failed write, which a writer must see.
    int close() noexcept;

    // The plain close(2). A close interrupted by a signal has still let go of the descriptor on
    // Linux, so it is never retried.
    static int closeDescriptor(int fd);

private:
    int fd_ = -1;
    Closer closer_ = &UniqueFd::closeDescriptor;
};
