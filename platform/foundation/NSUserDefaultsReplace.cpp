// The settings store's whole-domain replacement, for an import from outside.
#include "platform/foundation/NSUserDefaults.h"

#include "platform/foundation/FileOps.h"
#include "platform/foundation/NSLog.h"

#include <cerrno>

Result<void> NSUserDefaults::replacePersistentDomain(NSDictionary::Storage values)
{
    std::lock_guard lock(mutex_);
    Result<UniqueFd> locked = lockFolder(true);
    if (!locked.ok())
        return locked.failure();
    UniqueFd folderLock = std::move(locked).value();
    removeStaleTemporaries();
    DiskRead disk = readDiskAndSetAsideCorrupt(true);
    if (disk.result == DiskRead::Result::Failed && disk.setAsideAs) {
        // A whole new domain is a way back in, as starting afresh is: what was set aside stays.
        NSLog("NSUserDefaults: replacing %s; the file set aside as %s stays there", path_.c_str(), disk.setAsideAs->c_str());
        disk = DiskRead{};
    }
    if (disk.result == DiskRead::Result::Failed) {
        NSLog("NSUserDefaults: not replacing %s, which could not be read (%s)", path_.c_str(), disk.why.c_str());
        readFailure_ = readFailureOf(disk);
        setAsideAs_ = disk.setAsideAs;
        return readFailure_->within(path_ + " cannot be read (", ")");
    }
    Result<Written> written = writeFile(values);
    std::optional<Failure> failure;
    if (!written.ok())
        failure = written.failure();
    else if (FileOps::current().fsync(folderLock.get()) != 0)
        failure = failWrite("could not flush the folder of", path_, errno);
    folderLock.close();
    if (failure) {
        loaded_ = false;
        refresh();
        return *failure;
    }
    pending_.clear();
    values_ = std::move(values);
    knownBytes_ = std::move(written.value().bytes);
    stamp_ = written.value().stamp;
    loaded_ = true;
    readFailure_.reset();
    setAsideAs_.reset();
    return {};
}
