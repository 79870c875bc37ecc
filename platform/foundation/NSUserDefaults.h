#pragma once
#include "platform/foundation/NSDictionary.h"
#include "platform/foundation/Result.h"
#include "platform/foundation/UniqueFd.h"
#include "platform/runtime/NSObject.h"

#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <sys/types.h>

// One settings domain, kept in <root>/var/mobile/Library/Preferences/<domain>.plist.
// Reads see the file as it is on disk now: it is read again whenever it changed, so another
// process's write shows at the next read. Changes stay in memory until synchronize, which merges
// them over what is on disk under an advisory lock on the folder and replaces the file atomically.
//
// A missing file is an empty domain. A file that cannot be read (no permission, a folder or a
// FIFO in its place) is not: the plain reads then answer as if it were missing, or what was read
// before, and the read* forms answer the Failure instead, for callers that must not take it for
// empty. A file that reads but
// does not parse is set aside under the first free name of <file>.corrupt, <file>.corrupt.1, ...
// (or left in place when none is free) and reads the same way: its values are unknown, not
// absent. So does a domain whose file is missing while a set-aside file is there, at every later
// read too, until that file is moved back or the domain is started afresh (startAfresh,
// removePersistentDomain); writes to it are refused, as for any domain that cannot be read. So is a file in a folder
// that another user could change: it is neither read nor written.
class NSUserDefaults final : public NSObject {
public:
    // Prefer standardUserDefaults or defaultsForDomain: they share one object per file.
    NSUserDefaults(std::string domain, std::string path);

    // The host app's domain under the device root in force, shared within the toolkit in force.
    static std::shared_ptr<NSUserDefaults> standardUserDefaults();
    // The domain standardUserDefaults answers for ("org.glyphward.host" unless set).
    static void setStandardDomain(const std::string& bundleId);
    static std::string standardDomain();
    // The store of any domain under the device root in force; null for a name that is not a
    // plain file name (empty, ".", "..", or with a slash).
    static std::shared_ptr<NSUserDefaults> defaultsForDomain(const std::string& domain);
    // Where a domain's file lives under the device root in force.
    static std::string pathForDomain(const std::string& domain);
    static bool isValidDomain(const std::string& domain);

    GLYPHWARD_RUNTIME_CLASS(NSUserDefaults, NSObject);
    const std::string& domain() const { return domain_; }
    const std::string& path() const { return path_; }

    // The stored object, or null.
    std::shared_ptr<NSObject> objectForKey(const std::string& key) const;
    // Booleans as they are; numbers are YES when not zero; strings "YES"/"true" (any case) and
    // numerals other than zero are YES; anything else, or nothing, is NO.
    bool boolForKey(const std::string& key) const;
    // Numbers as they are, booleans as 1 or 0, strings by their leading numeral; else 0.
    float floatForKey(const std::string& key) const;
    double doubleForKey(const std::string& key) const;
    NSInteger integerForKey(const std::string& key) const;
    // Strings as they are, numbers as they print; anything else, or nothing, is nil.
    std::optional<std::string> stringForKey(const std::string& key) const;
    // A snapshot of the whole domain.
    std::shared_ptr<NSDictionary> dictionaryRepresentation() const;

    // The same reads, failing when the file could not be read: its message is an errno's text,
    // "not a regular file", why a folder on the way is refused, or why a file that does not
    // parse could not be set aside (or where it was set aside). A file that is missing, or that
    // did not parse and was just set aside for the first time, is no failure of this read.
    Result<std::shared_ptr<NSObject>> readObject(const std::string& key) const;
    Result<bool> readBool(const std::string& key) const;
    Result<float> readFloat(const std::string& key) const;
    Result<std::shared_ptr<NSDictionary>> readDictionary() const;

    // The newest set-aside file, when the last read failed because the domain's file was set
    // aside; nothing otherwise.
    std::optional<std::string> setAsideFile() const;

    // Stores a property list value (string, number, date, data, array, dictionary) in memory until
    // the next synchronize; null removes the key. Any other kind of object, and text that an XML
    // property list cannot hold (in the key, the value or anything inside it), is refused and logged.
    void setObject(std::shared_ptr<NSObject> value, const std::string& key);
    // Why setObject would refuse the value for the key, or nothing when it would take it.
    static std::optional<std::string> reasonNotStorable(const NSObject* value, const std::string& key);
    void setBool(bool value, const std::string& key);
    void setFloat(float value, const std::string& key);
    void setDouble(double value, const std::string& key);
    void setInteger(NSInteger value, const std::string& key);
    void removeObjectForKey(const std::string& key);
    // Writes the changes made here since the last successful write, merged over the file's
    // current content. Fails (and logs) when the file could not be replaced: the old file then
    // stays whole and the changes stay pending for the next call.
    Result<void> save();
    // save, answering only whether it wrote.
    bool synchronize();
    // As save, but a domain whose file was set aside starts afresh from the changes made here
    // alone (none: an empty domain), the set-aside file left where it is: the owner's way back
    // into a domain that cannot be read. A file that cannot be read in place stays refused.
    Result<void> startAfresh();
    // Drops the change to the key made here and not yet written, so that reads answer what the
    // file holds for it again.
    void discardChangeForKey(const std::string& key);

    // Whether the domain's file exists.
    bool persistentDomainExists() const;
    // Deletes the domain's file under the lock and forgets every value and pending change; a
    // domain with a set-aside file is left with an empty file instead, so that it reads again.
    Result<void> removePersistentDomain();
    // Replaces the whole domain with values in one atomic write under the lock, dropping the
    // changes pending here: a writer elsewhere lands wholly before (and is replaced) or after (and
    // is merged over it). A file that does not parse is set aside first; one that cannot be read
    // is never replaced. Fails when nothing was replaced.
    Result<void> replacePersistentDomain(NSDictionary::Storage values);

private:
    struct Stamp {
        bool exists = false;
        dev_t device = 0;
        ino_t inode = 0;
        off_t size = 0;
        long long modifiedNs = 0;
        bool operator==(const Stamp&) const = default;
    };
    // What reading the file gave: its values, or why it could not be used.
    struct DiskRead {
        enum class Result { Read, Missing, Corrupt, Failed } result = Result::Missing;
        NSDictionary::Storage values;
        Stamp stamp;
        int error = 0;
        // The bytes parsed; or, with sameAsMemory, none: they were those memory was built from.
        std::string bytes;
        bool sameAsMemory = false;
        // Why a Failed read failed.
        std::string why;
        // The set-aside file that makes the read a failure, when that is why.
        std::optional<std::string> setAsideAs;
    };

    DiskRead readDisk() const;
    void refresh() const;
    void applyDisk(const DiskRead& disk) const;
    DiskRead readDiskAndSetAsideCorrupt(bool lockHeld) const;
    // Moves the bad file to the first free set-aside name (given in aside); false (why given)
    // when it cannot.
    bool setAside(std::string& why, std::string& aside) const;
    std::string setAsideName(int n) const;
    // The newest set-aside file there is, if any.
    std::optional<std::string> lastSetAside() const;
    static std::string setAsideText(const std::string& aside);
    Result<void> writeChanges(bool afresh);
    // The folder held under an exclusive lock, made first when create says so. A folder that is
    // missing (and not to be made) gives no descriptor and no failure.
    Result<UniqueFd> lockFolder(bool create) const;
    void removeStaleTemporaries() const;
    // Why the preferences folder, or one above it up to the device root, is not to be trusted
    // (see FolderTrust); with the folder open at openedFolder, also when that is not the one judged.
    std::optional<std::string> untrustedFolder(int openedFolder = -1) const;
    // Logs the refusal of the folder and answers it as the reason of a failed write.
    Failure refuseFolder(const std::string& why) const;
    struct Written {
        Stamp stamp;
        std::string bytes;
    };
    // Replaces the file; answers the new file's stamp and bytes.
    Result<Written> writeFile(const NSDictionary::Storage& values) const;
    // Logs a failed file operation and answers it as the reason of a failed write.
    Failure failWrite(const char* what, const std::string& path, int error) const;
    // The failure a read that did not get the file stands for.
    Failure readFailureOf(const DiskRead& disk) const;
    static Stamp stampOf(const struct stat& info);
    std::string folder() const;
    std::string fileName() const;

    std::string domain_;
    std::string path_;
    mutable std::recursive_mutex mutex_;
    mutable NSDictionary::Storage values_;
    mutable bool loaded_ = false;
    mutable Stamp stamp_;
    // The file contents values_ was built from (read or written), when it came from a file.
    mutable std::optional<std::string> knownBytes_;
    // Whether this instance has cleared what dead writers left; once is enough, as no live
    // writer leaves a temporary behind.
    mutable bool swept_ = false;
    // Why the last read of the file failed, when it did.
    mutable std::optional<Failure> readFailure_;
    mutable std::optional<std::string> setAsideAs_;
    // Keys changed here and not yet written: a null value stands for a removal.
    std::map<std::string, std::shared_ptr<NSObject>> pending_;
};
