// The settings store's file work: reading the file, setting aside one that does not parse,
// and replacing it under the folder lock.
#include "platform/foundation/NSUserDefaults.h"

#include "platform/foundation/FileOps.h"
#include "platform/foundation/NSLog.h"
#include "platform/foundation/NSPropertyListSerialization.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

// How many numbered set-aside names are tried after <file>.corrupt before giving up.
constexpr int kSetAsideNames = 1000;

void logFailure(const char* what, const std::string& path, int error)
{
    NSLog("NSUserDefaults: %s %s: %s", what, path.c_str(), std::strerror(error));
}

long long nanoseconds(const struct timespec& time) { return static_cast<long long>(time.tv_sec) * 1000000000LL + time.tv_nsec; }

} // namespace

std::string NSUserDefaults::folder() const { return path_.substr(0, path_.rfind('/')); }

std::string NSUserDefaults::fileName() const { return path_.substr(path_.rfind('/') + 1); }

NSUserDefaults::Stamp NSUserDefaults::stampOf(const struct stat& info)
{
    return Stamp{true, info.st_dev, info.st_ino, info.st_size, nanoseconds(info.st_mtim)};
}

NSUserDefaults::DiskRead NSUserDefaults::readDisk() const
{
    DiskRead disk;
    if (auto why = untrustedFolder()) {
        disk.result = DiskRead::Result::Failed;
        disk.why = std::move(*why);
        return disk;
    }
    FileOps::FileRead file = FileOps::current().readRegularFile(path_);
    if (file.error == ENOENT) {
        // A file set aside and not replaced since held values that are now unknown, not absent.
        if (std::optional<std::string> aside = lastSetAside()) {
            disk.result = DiskRead::Result::Failed;
            disk.setAsideAs = *aside;
            disk.why = setAsideText(*aside);
        }
        return disk;
    }
    if (!file.ok()) {
        disk.result = DiskRead::Result::Failed;
        disk.error = file.error;
        disk.why = file.why();
        return disk;
    }
    // The stamp comes from the same open file as the bytes, so they always belong together.
    disk.stamp = stampOf(file.info);
    // The bytes behind what memory holds give the same values again: a writer re-reading under
    // the lock the file it last saw needs no parse.
    if (loaded_ && knownBytes_ && file.bytes == *knownBytes_) {
        disk.result = DiskRead::Result::Read;
        disk.sameAsMemory = true;
        return disk;
    }
    auto root = std::dynamic_pointer_cast<NSDictionary>(NSPropertyListSerialization::propertyListWithData(file.bytes));
    if (!root) {
        disk.result = DiskRead::Result::Corrupt;
        return disk;
    }
    disk.values = root->entries();
    disk.result = DiskRead::Result::Read;
    disk.bytes = std::move(file.bytes);
    return disk;
}

std::string NSUserDefaults::setAsideName(int n) const { return path_ + ".corrupt" + (n == 0 ? "" : "." + std::to_string(n)); }

std::string NSUserDefaults::setAsideText(const std::string& aside)
{
    return "it is no property list and was set aside as " + aside + "; restore that file, or delete a key or the whole domain (or import one) to start it afresh";
}

std::optional<std::string> NSUserDefaults::lastSetAside() const
{
    // Set-aside names are taken in order, so the last of the run that begins at the first is
    // the newest.
    FileOps& ops = FileOps::current();
    struct stat info{};
    std::optional<std::string> last;
    for (int n = 0; n <= kSetAsideNames && ops.stat(setAsideName(n), &info) == 0; ++n)
        last = setAsideName(n);
    return last;
}

bool NSUserDefaults::setAside(std::string& why, std::string& aside) const
{
    FileOps& ops = FileOps::current();
    // Never over an earlier bad file: each keeps its bytes under a name of its own.
    for (int n = 0; n <= kSetAsideNames; ++n) {
        aside = setAsideName(n);
        if (ops.renameNoReplace(path_, aside) == 0) {
            NSLog("NSUserDefaults: %s is not a property list; moved it aside to %s; the domain cannot be read until that "
                  "file is restored or the domain is started afresh",
                  path_.c_str(), aside.c_str());
            return true;
        }
        if (errno != EEXIST) {
            why = std::string("it could not be moved aside: ") + std::strerror(errno);
            return false;
        }
    }
    why = "every name to set it aside under is taken";
    return false;
}

NSUserDefaults::DiskRead NSUserDefaults::readDiskAndSetAsideCorrupt(bool lockHeld) const
{
    DiskRead disk = readDisk();
    if (disk.result != DiskRead::Result::Corrupt)
        return disk;
    // Judge again under the lock: a writer may have just replaced the bad file with a good one,
    // and that one must not be moved aside.
    UniqueFd folderLock;
    std::string why = "the folder could not be locked to move it aside";
    if (!lockHeld) {
        Result<UniqueFd> locked = lockFolder(false);
        if (!locked.ok())
            why = "it could not be moved aside: " + locked.failure().message;
        else if ((folderLock = std::move(locked).value()))
            disk = readDisk();
    }
    std::string aside;
    if (disk.result == DiskRead::Result::Corrupt && (lockHeld || folderLock) && setAside(why, aside)) {
        disk = DiskRead{};
        disk.result = DiskRead::Result::Failed;
        disk.setAsideAs = aside;
        disk.why = setAsideText(aside);
    }
    folderLock.close();
    // A bad file that stays in place is no empty domain: it cannot be read until it is moved.
    if (disk.result == DiskRead::Result::Corrupt) {
        NSLog("NSUserDefaults: %s is not a property list and %s; leaving it in place", path_.c_str(), why.c_str());
        disk.result = DiskRead::Result::Failed;
        disk.why = "not a property list, and " + why;
    }
    return disk;
}

Result<UniqueFd> NSUserDefaults::lockFolder(bool create) const
{
    FileOps& ops = FileOps::current();
    std::string dir = folder();
    // Nothing is made, locked or written inside a folder that someone else could change.
    if (auto why = untrustedFolder())
        return refuseFolder(*why);
    UniqueFd fd = ops.openOwned(dir, O_RDONLY | O_DIRECTORY, 0);
    if (!fd && errno == ENOENT && create) {
        // Every missing folder on the way is made private to its owner, whatever the umask.
        for (std::size_t slash = 1; slash != std::string::npos;) {
            slash = dir.find('/', slash + 1);
            std::string part = dir.substr(0, slash);
            if (part.empty() || part == "/")
                continue;
            if (ops.mkdir(part, 0700) == 0) {
                const UniqueFd made = ops.openOwned(part, O_RDONLY | O_DIRECTORY | O_NOFOLLOW, 0);
                if (!made || ops.fchmod(made.get(), 0700) != 0)
                    return failWrite("could not set the mode of the folder", part, errno);
            } else if (errno != EEXIST) {
                return failWrite("could not create the folder", part, errno);
            }
        }
        fd = ops.openOwned(dir, O_RDONLY | O_DIRECTORY, 0);
    }
    if (!fd) {
        if (create || errno != ENOENT)
            return failWrite("could not open the folder", dir, errno);
        return UniqueFd();
    }
    if (auto why = untrustedFolder(fd.get()))
        return refuseFolder(*why);
    // A writer that holds the lock and stopped must not stop this process: after a bounded
    // wait the write fails as any other that did not land.
    if (ops.lockExclusiveWithin(fd.get(), FileOps::kLockWaitSeconds) != 0) {
        const int error = errno;
        NSLog("NSUserDefaults: could not lock the folder %s: %s", dir.c_str(), FileOps::lockFailureText(error).c_str());
        Failure failure = Failure::because("could not lock the folder " + dir + ": " + FileOps::lockFailureText(error), dir, error);
        failure.call = "lock";
        return failure;
    }
    return fd;
}

void NSUserDefaults::removeStaleTemporaries() const
{
    // Only a writer holding the folder lock makes a temporary file and it removes it before
    // letting go, so any one found under the lock was left by a writer that died. One of ours
    // with a reused process number would block every write of this process, so the first
    // write of each instance looks; later ones need not list the folder again.
    if (swept_)
        return;
    FileOps& ops = FileOps::current();
    const std::string prefix = "." + fileName() + ".tmp.";
    const auto names = ops.listDirectory(folder());
    if (!names)
        return;
    swept_ = true;
    for (const auto& name : *names) {
        if (name.size() > prefix.size() && name.compare(0, prefix.size(), prefix) == 0
            && name.find_first_not_of("0123456789", prefix.size()) == std::string::npos)
            ops.unlink(folder() + "/" + name);
    }
}

Failure NSUserDefaults::refuseFolder(const std::string& why) const
{
    NSLog("NSUserDefaults: refusing %s: %s", path_.c_str(), why.c_str());
    return Failure::because(path_ + " is refused: " + why, path_);
}

Failure NSUserDefaults::failWrite(const char* what, const std::string& path, int error) const
{
    logFailure(what, path, error);
    return Failure::ofCall(what, path, error);
}

Result<NSUserDefaults::Written> NSUserDefaults::writeFile(const NSDictionary::Storage& values) const
{
    using Format = NSPropertyListSerialization::Format;
    FileOps& ops = FileOps::current();
    NSDictionary root(values);
    // XML unless a value that came from elsewhere holds text XML cannot: every reader must be
    // able to read what is written, and the binary form holds any text.
    Format format = Format::XML;
    if (auto why = NSPropertyListSerialization::reasonNotPropertyList(&root, Format::XML)) {
        format = Format::Binary;
        NSLog("NSUserDefaults: %s: %s; writing it as a binary property list", path_.c_str(), why->c_str());
    }
    auto bytes = NSPropertyListSerialization::dataWithPropertyList(&root, format);
    if (!bytes) {
        NSLog("NSUserDefaults: could not encode %s", path_.c_str());
        return Failure::because("could not encode " + path_, path_);
    }
    std::string temporary = folder() + "/." + fileName() + ".tmp." + std::to_string(getpid());
    UniqueFd file = ops.openOwned(temporary, O_WRONLY | O_CREAT | O_EXCL, 0600);
    if (!file)
        return failWrite("could not create", temporary, errno);
    auto fail = [&](const char* what) {
        int error = errno;
        file.close();
        ops.unlink(temporary);
        return failWrite(what, temporary, error);
    };
    // The mode is set outright so that a restrictive or odd umask cannot change it.
    if (ops.fchmod(file.get(), 0600) != 0)
        return fail("could not set the mode of");
    std::size_t written = 0;
    while (written < bytes->size()) {
        ssize_t n = ops.write(file.get(), bytes->data() + written, bytes->size() - written);
        if (n <= 0) {
            if (n == 0)
                errno = ENOSPC;
            return fail("could not write");
        }
        written += static_cast<std::size_t>(n);
    }
    if (ops.fsync(file.get()) != 0)
        return fail("could not flush");
    struct stat info{};
    if (ops.fstat(file.get(), &info) != 0)
        return fail("could not inspect");
    Written done{ stampOf(info), {} };
    if (file.close() != 0)
        return fail("could not close");
    if (ops.rename(temporary, path_) != 0)
        return fail("could not rename into place");
    done.bytes = std::move(*bytes);
    return done;
}

Result<void> NSUserDefaults::save() { return writeChanges(false); }

bool NSUserDefaults::synchronize() { return save().ok(); }

Result<void> NSUserDefaults::startAfresh() { return writeChanges(true); }

Result<void> NSUserDefaults::writeChanges(bool afresh)
{
    std::lock_guard lock(mutex_);
    if (pending_.empty() && !afresh) {
        refresh();
        return {};
    }
    Result<UniqueFd> locked = lockFolder(true);
    if (!locked.ok())
        return locked.failure();
    UniqueFd folderLock = std::move(locked).value();
    removeStaleTemporaries();
    DiskRead disk = readDiskAndSetAsideCorrupt(true);
    if (disk.result == DiskRead::Result::Failed && afresh && disk.setAsideAs) {
        // The owner's way back in: what was set aside stays where it is, untouched, and the
        // domain begins again with the changes made here alone.
        NSLog("NSUserDefaults: starting %s afresh; the file set aside as %s stays there", path_.c_str(), disk.setAsideAs->c_str());
        values_.clear();
        knownBytes_.reset();
        disk = DiskRead{};
    }
    if (disk.result == DiskRead::Result::Failed) {
        // What cannot be read (or set aside) is never replaced: that would lose it.
        NSLog("NSUserDefaults: not replacing %s, which could not be read (%s)", path_.c_str(), disk.why.c_str());
        readFailure_ = readFailureOf(disk);
        setAsideAs_ = disk.setAsideAs;
        return readFailure_->within(path_ + " cannot be read (", ")");
    }
    // Memory already holds the file's values with the pending changes over them.
    NSDictionary::Storage merged = disk.sameAsMemory ? values_ : disk.values;
    for (const auto& [key, value] : pending_) {
        if (value)
            merged[key] = value;
        else
            merged.erase(key);
    }
    Result<Written> written = writeFile(merged);
    std::optional<Failure> failure;
    if (!written.ok())
        failure = written.failure();
    else if (FileOps::current().fsync(folderLock.get()) != 0)
        failure = failWrite("could not flush the folder of", path_, errno);
    folderLock.close();
    if (failure) {
        // The changes stay pending; memory shows them over whatever the disk now holds.
        loaded_ = false;
        refresh();
        return *failure;
    }
    pending_.clear();
    values_ = std::move(merged);
    knownBytes_ = std::move(written.value().bytes);
    stamp_ = written.value().stamp;
    loaded_ = true;
    readFailure_.reset();
    setAsideAs_.reset();
    return {};
}

bool NSUserDefaults::persistentDomainExists() const
{
    struct stat info{};
    return FileOps::current().stat(path_, &info) == 0;
}

Result<void> NSUserDefaults::removePersistentDomain()
{
    std::lock_guard lock(mutex_);
    FileOps& ops = FileOps::current();
    Result<UniqueFd> locked = lockFolder(false);
    // A file left in a folder that could not be locked (or was refused) was not removed.
    if (!locked.ok())
        return locked.failure();
    UniqueFd folderLock = std::move(locked).value();
    if (!folderLock && persistentDomainExists())
        return Failure::because(path_ + " is in a folder that could not be opened", path_);
    Written written;
    if (folderLock) {
        removeStaleTemporaries();
        if (ops.unlink(path_) != 0 && errno != ENOENT) {
            return failWrite("could not delete", path_, errno);
        } else if (lastSetAside()) {
            // Without a file beside a set-aside one the domain reads as unknown; an empty file
            // starts it afresh, as deleting it means to.
            Result<Written> empty = writeFile({});
            if (!empty.ok())
                return empty.failure();
            written = std::move(empty).value();
        }
        if (ops.fsync(folderLock.get()) != 0)
            logFailure("could not flush the folder of", path_, errno);
        folderLock.close();
    }
    pending_.clear();
    values_.clear();
    if (written.bytes.empty())
        knownBytes_.reset();
    else
        knownBytes_ = std::move(written.bytes);
    stamp_ = written.stamp;
    loaded_ = true;
    readFailure_.reset();
    setAsideAs_.reset();
    return {};
}
