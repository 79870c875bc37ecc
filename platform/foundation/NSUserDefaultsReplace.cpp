// The settings store's whole-domain replacement, for an import from outside.
#include "platform/foundation/NSUserDefaults.h"

#include "platform/foundation/FileOps.h"
#include "platform/foundation/NSLog.h"

#include <cerrno>

bool NSUserDefaults::replacePersistentDomain(NSDictionary::Storage values)
{
    std::lock_guard lock(mutex_);
    writeFailure_.clear();
    UniqueFd folderLock = lockFolder(true);
    if (!folderLock)
        return false;
    removeStaleTemporaries();
    DiskRead disk = readDiskAndSetAsideCorrupt(true);
    if (disk.result == DiskRead::Result::Failed && disk.setAsideAs) {
        // A whole new domain is a way back in, as starting afresh is: what was set aside stays.
        NSLog("NSUserDefaults: replacing %s; the file set aside as %s stays there", path_.c_str(), disk.setAsideAs->c_str());
        disk = DiskRead{};
    }
    if (disk.result == DiskRead::Result::Failed) {
        NSLog("NSUserDefaults: not replacing %s, which could not be read (%s)", path_.c_str(), disk.why.c_str());
        writeFailure_ = path_ + " cannot be read (" + disk.why + ")";
        readFailure_ = disk.why;
        setAsideAs_ = disk.setAsideAs;
        return false;
    }
    Stamp stamp;
    std::string bytes;
    const bool written = writeFile(values, stamp, bytes);
    const bool flushed = written && FileOps::current().fsync(folderLock.get()) == 0;
    if (written && !flushed)
        failWrite("could not flush the folder of", path_, errno);
    folderLock.close();
    if (!flushed) {
        loaded_ = false;
        refresh();
        return false;
    }
    pending_.clear();
    values_ = std::move(values);
    knownBytes_ = std::move(bytes);
    stamp_ = stamp;
    loaded_ = true;
    readFailure_.reset();
    setAsideAs_.reset();
    return true;
}
