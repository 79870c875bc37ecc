#pragma once
#include "platform/foundation/UniqueFd.h"

#include <memory>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <sys/types.h>
#include <vector>

// The file system calls that the settings store and the device root's template make, and the
// loader's listing of its folder, in one replaceable place, so tests can make any one of them
// fail. Each call answers as its POSIX namesake does (-1 and errno on failure).
class FileOps {
public:
    virtual ~FileOps() = default;
    virtual int open(const std::string& path, int flags, mode_t mode);
    virtual ssize_t read(int fd, void* buffer, size_t size);
    virtual ssize_t write(int fd, const void* buffer, size_t size);
    virtual int fsync(int fd);
    virtual int fchmod(int fd, mode_t mode);
    virtual int fstat(int fd, struct stat* info);
    virtual int stat(const std::string& path, struct stat* info);
    virtual int close(int fd);
    virtual int rename(const std::string& from, const std::string& to);
    // Like rename, but fails with EEXIST rather than replace a file already at `to`.
    virtual int renameNoReplace(const std::string& from, const std::string& to);
    virtual int unlink(const std::string& path);
    virtual int mkdir(const std::string& path, mode_t mode);
    virtual int flock(int fd, int operation);
    // The clock that bounded waits measure, in seconds from an arbitrary start, and a pause of
    // the caller: tests replace both to wait without waiting.
    virtual double monotonicSeconds();
    virtual void pause(double seconds);
    // The names in a folder, "." and ".." left out, in the order the folder gives them; nothing
    // (errno set) when it cannot be opened or read to the end.
    virtual std::optional<std::vector<std::string>> listDirectory(const std::string& path);

    // An exclusive flock on the descriptor, tried again after short pauses for up to `seconds`:
    // a holder that stopped (a debugger, a hung disk) must not stop this process too. -1 with
    // errno EWOULDBLOCK when the lock stayed taken, or the errno of a call that failed.
    int lockExclusiveWithin(int fd, double seconds);
    // What lockExclusiveWithin's failure means, for a message: "... is locked by another process"
    // for a lock that stayed taken, the errno's text otherwise.
    static std::string lockFailureText(int error);
    // How long the settings store and the device root wait for another process's lock.
    static constexpr double kLockWaitSeconds = 2.0;

    // open() above, owned: the descriptor goes back through close() of the operations in force.
    UniqueFd openOwned(const std::string& path, int flags, mode_t mode);

    // What reading a whole file gave: error is 0 or the errno of the call that failed; a file
    // that is not a regular one is not read at all (regular is then false).
    struct FileRead {
        int error = 0;
        bool regular = true;
        struct stat info {};
        std::string bytes;
        bool ok() const { return error == 0 && regular; }
        // Why it could not be read: the errno's text, or that it is no regular file.
        std::string why() const;
    };
    // Reads a regular file whole through the operations above, never waiting on a FIFO or device.
    FileRead readRegularFile(const std::string& path);

    // The operations of the toolkit in force (the real ones unless it was built with others).
    static FileOps& current();
    // Gives the toolkit in force replacement operations; null puts the real ones back.
    static void setCurrent(std::shared_ptr<FileOps> ops);
};
