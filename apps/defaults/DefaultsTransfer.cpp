#include "DefaultsTransfer.h"

#include "platform/foundation/FileOps.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <iterator>
#include <unistd.h>

namespace {

bool writeBytes(FileOps& ops, int fd, const std::string& bytes)
{
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ops.write(fd, bytes.data() + written, bytes.size() - written);
        if (n <= 0) {
            if (n == 0)
                errno = ENOSPC;
            return false;
        }
        written += static_cast<std::size_t>(n);
    }
    return true;
}

std::string failure(const char* what, const std::string& path)
{
    return std::string(what) + " " + path + ": " + std::strerror(errno);
}

} // namespace

std::string DefaultsTransfer::nameOf(const std::string& path, bool input)
{
    if (path == "-")
        return input ? "standard input" : "standard output";
    return path;
}

bool DefaultsTransfer::readAll(const std::string& path, std::istream& in, std::string& bytes, std::string& why)
{
    if (path == "-") {
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        if (in.bad()) {
            why = "Could not read standard input";
            return false;
        }
        return true;
    }
    FileOps::FileRead file = FileOps::current().readRegularFile(path);
    if (!file.ok()) {
        why = "Could not read " + path + ": " + file.why();
        return false;
    }
    bytes = std::move(file.bytes);
    return true;
}

bool DefaultsTransfer::writeAll(const std::string& path, const std::string& bytes, std::ostream& out, std::string& why)
{
    if (path == "-") {
        out << bytes;
        out.flush();
        if (!out) {
            why = "Could not write standard output";
            return false;
        }
        return true;
    }
    FileOps& ops = FileOps::current();
    struct stat info{};
    const bool exists = ops.stat(path, &info) == 0;
    if (exists && !S_ISREG(info.st_mode)) {
        // A device or a pipe (/dev/stdout, a FIFO) is written as it is; it cannot be replaced.
        UniqueFd target = ops.openOwned(path, O_WRONLY, 0);
        if (!target || !writeBytes(ops, target.get(), bytes) || target.close() != 0) {
            why = failure("Could not write", path);
            return false;
        }
        return true;
    }
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::string temporary = folder + "/." + name + ".export." + std::to_string(getpid());
    // The settings may hold the passcode: the copy is kept as private as the store's own file.
    UniqueFd file = ops.openOwned(temporary, O_WRONLY | O_CREAT | O_EXCL, 0600);
    if (!file) {
        why = failure("Could not create", temporary);
        return false;
    }
    const bool written = writeBytes(ops, file.get(), bytes) && ops.fsync(file.get()) == 0;
    if (!written || file.close() != 0 || ops.rename(temporary, path) != 0) {
        why = failure(written ? "Could not put in place" : "Could not write", path);
        file.close();
        ops.unlink(temporary);
        return false;
    }
    return true;
}
