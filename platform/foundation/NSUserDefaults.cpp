#include "platform/foundation/NSUserDefaults.h"

#include "platform/foundation/DeviceRoot.h"
#include "platform/foundation/FileOps.h"
#include "platform/foundation/NSLog.h"
#include "platform/foundation/NSNumber.h"
#include "platform/foundation/NSPropertyListSerialization.h"
#include "platform/foundation/NSString.h"
#include "platform/foundation/PropertyListText.h"

#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <limits>
#include <strings.h>
#include <sys/file.h>
#include <unistd.h>

namespace {
constexpr const char* kPreferencesFolder = "/var/mobile/Library/Preferences";

std::mutex& sharedMutex()
{
    static std::mutex mutex;
    return mutex;
}

std::string& standardDomainName()
{
    static std::string domain = "org.glyphward.host";
    return domain;
}

std::map<std::string, std::weak_ptr<NSUserDefaults>>& instances()
{
    static std::map<std::string, std::weak_ptr<NSUserDefaults>> byPath;
    return byPath;
}

std::shared_ptr<NSUserDefaults>& standardInstance()
{
    static std::shared_ptr<NSUserDefaults> instance;
    return instance;
}

bool sameIgnoringCase(const std::string& text, const char* word)
{
    return strcasecmp(text.c_str(), word) == 0;
}

std::size_t skipSpace(const std::string& text)
{
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n' || text[i] == '\r'))
        ++i;
    return i;
}

// The numeral at the start of the text (after blanks), as Foundation's floatValue reads it:
// sign, digits, fraction, exponent; trailing text is ignored. Nothing when there is no numeral.
std::optional<double> leadingNumber(const std::string& text)
{
    std::size_t i = skipSpace(text);
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    std::size_t start = i, digits = 0;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])))
        ++i, ++digits;
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])))
            ++i, ++digits;
    }
    if (digits == 0)
        return std::nullopt;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < text.size() && (text[j] == '+' || text[j] == '-'))
            ++j;
        if (j < text.size() && std::isdigit(static_cast<unsigned char>(text[j]))) {
            while (j < text.size() && std::isdigit(static_cast<unsigned char>(text[j])))
                ++j;
            i = j;
        }
    }
    double value = 0;
    auto [end, error] = std::from_chars(text.data() + start, text.data() + i, value);
    if (error == std::errc::result_out_of_range)
        value = text[start] == '0' || text[start] == '.' ? 0.0 : std::numeric_limits<double>::infinity();
    (void)end;
    return negative ? -value : value;
}

// The whole number at the start of the text, as integerValue reads it; saturates on overflow.
std::optional<long long> leadingInteger(const std::string& text)
{
    std::size_t i = skipSpace(text);
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    std::size_t start = i;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])))
        ++i;
    if (i == start)
        return std::nullopt;
    unsigned long long magnitude = 0;
    auto [end, error] = std::from_chars(text.data() + start, text.data() + i, magnitude);
    (void)end;
    constexpr auto most = static_cast<unsigned long long>(std::numeric_limits<long long>::max());
    if (error == std::errc::result_out_of_range || magnitude > most)
        return negative ? std::numeric_limits<long long>::min() : std::numeric_limits<long long>::max();
    return negative ? -static_cast<long long>(magnitude) : static_cast<long long>(magnitude);
}

NSInteger clampToInteger(double value)
{
    if (std::isnan(value))
        return 0;
    if (value >= static_cast<double>(std::numeric_limits<NSInteger>::max()))
        return std::numeric_limits<NSInteger>::max();
    if (value <= static_cast<double>(std::numeric_limits<NSInteger>::min()))
        return std::numeric_limits<NSInteger>::min();
    return static_cast<NSInteger>(value);
}

double numberFrom(const NSObject* value)
{
    if (auto* number = dynamic_cast<const NSNumber*>(value))
        return number->doubleValue();
    if (auto* string = dynamic_cast<const NSString*>(value))
        return leadingNumber(string->string()).value_or(0.0);
    return 0.0;
}

void logFailure(const char* what, const std::string& path, int error)
{
    NSLog("NSUserDefaults: %s %s: %s", what, path.c_str(), std::strerror(error));
}

long long nanoseconds(const struct timespec& time) { return static_cast<long long>(time.tv_sec) * 1000000000LL + time.tv_nsec; }
} // namespace

NSUserDefaults::NSUserDefaults(std::string domain, std::string path) : domain_(std::move(domain)), path_(std::move(path)) { }

bool NSUserDefaults::isValidDomain(const std::string& domain)
{
    return !domain.empty() && domain != "." && domain != ".." && domain.find('/') == std::string::npos
        && domain.find('\0') == std::string::npos;
}

std::string NSUserDefaults::pathForDomain(const std::string& domain)
{
    return DeviceRoot::resolve(std::string(kPreferencesFolder) + "/" + domain + ".plist");
}

void NSUserDefaults::setStandardDomain(const std::string& bundleId)
{
    if (!isValidDomain(bundleId)) {
        NSLog("NSUserDefaults: ignoring the domain name \"%s\"", bundleId.c_str());
        return;
    }
    std::lock_guard lock(sharedMutex());
    standardDomainName() = bundleId;
}

std::string NSUserDefaults::standardDomain()
{
    std::lock_guard lock(sharedMutex());
    return standardDomainName();
}

std::shared_ptr<NSUserDefaults> NSUserDefaults::defaultsForDomain(const std::string& domain)
{
    if (!isValidDomain(domain))
        return nullptr;
    std::string path = pathForDomain(domain);
    std::lock_guard lock(sharedMutex());
    auto& byPath = instances();
    if (auto existing = byPath[path].lock())
        return existing;
    std::erase_if(byPath, [](const auto& entry) { return entry.second.expired(); });
    auto made = std::make_shared<NSUserDefaults>(domain, path);
    byPath[path] = made;
    return made;
}

std::shared_ptr<NSUserDefaults> NSUserDefaults::standardUserDefaults()
{
    std::string domain = standardDomain();
    // A new device root or domain means a new file; the object follows them.
    std::string path = pathForDomain(domain);
    {
        std::lock_guard lock(sharedMutex());
        if (standardInstance() && standardInstance()->path() == path)
            return standardInstance();
    }
    auto defaults = defaultsForDomain(domain);
    std::lock_guard lock(sharedMutex());
    standardInstance() = defaults;
    return defaults;
}

void NSUserDefaults::resetStandardUserDefaults()
{
    std::shared_ptr<NSUserDefaults> released;
    std::lock_guard lock(sharedMutex());
    released.swap(standardInstance());
}

std::string NSUserDefaults::folder() const { return path_.substr(0, path_.rfind('/')); }

std::string NSUserDefaults::fileName() const { return path_.substr(path_.rfind('/') + 1); }

// ---- reading ----

NSUserDefaults::DiskRead NSUserDefaults::readDisk() const
{
    FileOps& ops = FileOps::current();
    DiskRead disk;
    int fd = ops.open(path_, O_RDONLY, 0);
    if (fd < 0) {
        disk.error = errno;
        disk.result = disk.error == ENOENT ? DiskRead::Result::Missing : DiskRead::Result::Failed;
        return disk;
    }
    struct stat info{};
    std::string bytes;
    // The stamp comes from the same open file as the bytes, so they always belong together.
    if (ops.fstat(fd, &info) == 0) {
        disk.stamp = Stamp{true, info.st_dev, info.st_ino, info.st_size, nanoseconds(info.st_mtim)};
        char buffer[16384];
        for (;;) {
            ssize_t n = ops.read(fd, buffer, sizeof buffer);
            if (n == 0)
                break;
            if (n < 0) {
                disk.error = errno;
                break;
            }
            bytes.append(buffer, static_cast<std::size_t>(n));
        }
    } else {
        disk.error = errno;
    }
    ops.close(fd);
    if (disk.error != 0) {
        disk.result = DiskRead::Result::Failed;
        return disk;
    }
    // The bytes behind what memory holds give the same values again: a writer re-reading under
    // the lock the file it last saw needs no parse.
    if (loaded_ && knownBytes_ && bytes == *knownBytes_) {
        disk.result = DiskRead::Result::Read;
        disk.sameAsMemory = true;
        return disk;
    }
    auto root = std::dynamic_pointer_cast<NSDictionary>(NSPropertyListSerialization::propertyListWithData(bytes));
    if (!root) {
        disk.result = DiskRead::Result::Corrupt;
        return disk;
    }
    disk.values = root->entries();
    disk.result = DiskRead::Result::Read;
    disk.bytes = std::move(bytes);
    return disk;
}

NSUserDefaults::DiskRead NSUserDefaults::readDiskAndSetAsideCorrupt(bool lockHeld) const
{
    DiskRead disk = readDisk();
    if (disk.result != DiskRead::Result::Corrupt)
        return disk;
    // Judge again under the lock: a writer may have just replaced the bad file with a good one,
    // and that one must not be moved aside.
    int lockFd = -1;
    if (!lockHeld) {
        lockFd = lockFolder(false);
        if (lockFd < 0)
            return disk;
        disk = readDisk();
        if (disk.result != DiskRead::Result::Corrupt) {
            FileOps::current().close(lockFd);
            return disk;
        }
    }
    FileOps& ops = FileOps::current();
    std::string aside = path_ + ".corrupt";
    struct stat info{};
    if (ops.stat(aside, &info) == 0) {
        // The newest bad file goes to <name>.corrupt; one set aside before keeps its bytes under
        // the next free number rather than being overwritten.
        for (int n = 1; n <= 1000; ++n) {
            std::string older = aside + "." + std::to_string(n);
            if (ops.stat(older, &info) == 0 || errno != ENOENT)
                continue;
            if (ops.rename(aside, older) != 0) {
                logFailure("could not keep the earlier", aside, errno);
                aside = older;
            }
            break;
        }
    }
    if (ops.rename(path_, aside) == 0) {
        NSLog("NSUserDefaults: %s is not a property list; moved it aside to %s and read the domain as empty",
              path_.c_str(), aside.c_str());
        disk = DiskRead{};
    } else {
        logFailure("could not move aside the unreadable", path_, errno);
    }
    if (lockFd >= 0)
        ops.close(lockFd);
    return disk;
}

void NSUserDefaults::applyDisk(const DiskRead& disk) const
{
    // A file that exists but cannot be read leaves what we knew in place, to be tried again.
    if (disk.result == DiskRead::Result::Failed && loaded_)
        return;
    if (disk.sameAsMemory) {
        stamp_ = disk.stamp;
        return;
    }
    if (disk.result == DiskRead::Result::Read)
        knownBytes_ = disk.bytes;
    else
        knownBytes_.reset();
    values_ = disk.values;
    for (const auto& [key, value] : pending_) {
        if (value)
            values_[key] = value;
        else
            values_.erase(key);
    }
    stamp_ = disk.stamp;
    loaded_ = disk.result != DiskRead::Result::Failed;
}

void NSUserDefaults::refresh() const
{
    struct stat info{};
    Stamp now;
    if (FileOps::current().stat(path_, &info) == 0)
        now = Stamp{true, info.st_dev, info.st_ino, info.st_size, nanoseconds(info.st_mtim)};
    else if (errno != ENOENT)
        now.size = -1; // unknown: never equal to a stamp we hold, so the file is read again
    if (loaded_ && now == stamp_)
        return;
    applyDisk(readDiskAndSetAsideCorrupt(false));
}

std::shared_ptr<NSObject> NSUserDefaults::objectForKey(const std::string& key) const
{
    std::lock_guard lock(mutex_);
    refresh();
    auto found = values_.find(key);
    return found == values_.end() ? nullptr : found->second;
}

bool NSUserDefaults::boolForKey(const std::string& key) const
{
    auto value = objectForKey(key);
    if (auto* number = dynamic_cast<const NSNumber*>(value.get()))
        return number->kind() == NSNumber::Kind::Real ? number->doubleValue() != 0.0 : number->integerValue() != 0;
    if (auto* string = dynamic_cast<const NSString*>(value.get())) {
        const std::string& text = string->string();
        if (sameIgnoringCase(text, "YES") || sameIgnoringCase(text, "true"))
            return true;
        if (sameIgnoringCase(text, "NO") || sameIgnoringCase(text, "false"))
            return false;
        auto number = leadingNumber(text);
        return number && *number != 0.0;
    }
    return false;
}

float NSUserDefaults::floatForKey(const std::string& key) const
{
    double value = numberFrom(objectForKey(key).get());
    // Beyond the float range the answer is an infinity rather than an undefined conversion.
    if (std::isfinite(value) && std::fabs(value) > std::numeric_limits<float>::max())
        return value > 0 ? std::numeric_limits<float>::infinity() : -std::numeric_limits<float>::infinity();
    return static_cast<float>(value);
}

double NSUserDefaults::doubleForKey(const std::string& key) const { return numberFrom(objectForKey(key).get()); }

NSInteger NSUserDefaults::integerForKey(const std::string& key) const
{
    auto value = objectForKey(key);
    if (auto* number = dynamic_cast<const NSNumber*>(value.get())) {
        if (number->kind() == NSNumber::Kind::Real)
            return clampToInteger(number->doubleValue());
        return clampToInteger(static_cast<double>(number->integerValue()));
    }
    if (auto* string = dynamic_cast<const NSString*>(value.get()))
        return clampToInteger(static_cast<double>(leadingInteger(string->string()).value_or(0)));
    return 0;
}

std::optional<std::string> NSUserDefaults::stringForKey(const std::string& key) const
{
    auto value = objectForKey(key);
    if (auto* string = dynamic_cast<const NSString*>(value.get()))
        return string->string();
    if (auto* number = dynamic_cast<const NSNumber*>(value.get()))
        return PropertyListText::numberText(*number);
    return std::nullopt;
}

std::shared_ptr<NSDictionary> NSUserDefaults::dictionaryRepresentation() const
{
    std::lock_guard lock(mutex_);
    refresh();
    return NSDictionary::dictionaryWithDictionary(values_);
}

bool NSUserDefaults::persistentDomainExists() const
{
    struct stat info{};
    return FileOps::current().stat(path_, &info) == 0;
}

// ---- writing ----

void NSUserDefaults::setObject(std::shared_ptr<NSObject> value, const std::string& key)
{
    if (value && !NSPropertyListSerialization::propertyList(value.get(), NSPropertyListSerialization::Format::XML)) {
        NSLog("NSUserDefaults: refusing a value of class %s for key %s: not a property list value", value->className(), key.c_str());
        return;
    }
    std::lock_guard lock(mutex_);
    refresh();
    if (value)
        values_[key] = value;
    else
        values_.erase(key);
    pending_[key] = std::move(value);
}

void NSUserDefaults::setBool(bool value, const std::string& key) { setObject(NSNumber::numberWithBool(value), key); }
void NSUserDefaults::setFloat(float value, const std::string& key) { setObject(NSNumber::numberWithDouble(static_cast<double>(value)), key); }
void NSUserDefaults::setDouble(double value, const std::string& key) { setObject(NSNumber::numberWithDouble(value), key); }
void NSUserDefaults::setInteger(NSInteger value, const std::string& key) { setObject(NSNumber::numberWithInteger(value), key); }
void NSUserDefaults::removeObjectForKey(const std::string& key) { setObject(nullptr, key); }

int NSUserDefaults::lockFolder(bool create) const
{
    FileOps& ops = FileOps::current();
    std::string dir = folder();
    int fd = ops.open(dir, O_RDONLY | O_DIRECTORY, 0);
    if (fd < 0 && errno == ENOENT && create) {
        // Every missing folder on the way is made; the preferences folder itself is private.
        for (std::size_t slash = 1; slash != std::string::npos;) {
            slash = dir.find('/', slash + 1);
            std::string part = dir.substr(0, slash);
            if (part.empty() || part == "/")
                continue;
            mode_t mode = slash == std::string::npos ? 0700 : 0755;
            if (ops.mkdir(part, mode) != 0 && errno != EEXIST) {
                logFailure("could not create the folder", part, errno);
                return -1;
            }
        }
        fd = ops.open(dir, O_RDONLY | O_DIRECTORY, 0);
    }
    if (fd < 0) {
        if (create || errno != ENOENT)
            logFailure("could not open the folder", dir, errno);
        return -1;
    }
    if (ops.flock(fd, LOCK_EX) != 0) {
        logFailure("could not lock the folder", dir, errno);
        ops.close(fd);
        return -1;
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
    std::string prefix = "." + fileName() + ".tmp.";
    DIR* dir = opendir(folder().c_str());
    if (!dir)
        return;
    std::vector<std::string> stale;
    while (dirent* entry = readdir(dir)) {
        std::string name = entry->d_name;
        if (name.size() > prefix.size() && name.compare(0, prefix.size(), prefix) == 0
            && name.find_first_not_of("0123456789", prefix.size()) == std::string::npos)
            stale.push_back(name);
    }
    closedir(dir);
    swept_ = true;
    for (const auto& name : stale)
        FileOps::current().unlink(folder() + "/" + name);
}

bool NSUserDefaults::writeFile(const NSDictionary::Storage& values, Stamp& stamp, std::string& fileBytes) const
{
    FileOps& ops = FileOps::current();
    NSDictionary root(values);
    auto bytes = NSPropertyListSerialization::dataWithPropertyList(&root, NSPropertyListSerialization::Format::XML);
    if (!bytes) {
        NSLog("NSUserDefaults: could not encode %s", path_.c_str());
        return false;
    }
    std::string temporary = folder() + "/." + fileName() + ".tmp." + std::to_string(getpid());
    int fd = ops.open(temporary, O_WRONLY | O_CREAT | O_EXCL, 0600);
    if (fd < 0) {
        logFailure("could not create", temporary, errno);
        return false;
    }
    auto fail = [&](const char* what) {
        int error = errno;
        if (fd >= 0)
            ops.close(fd);
        ops.unlink(temporary);
        logFailure(what, temporary, error);
        return false;
    };
    // The mode is set outright so that a restrictive or odd umask cannot change it.
    if (ops.fchmod(fd, 0600) != 0)
        return fail("could not set the mode of");
    std::size_t written = 0;
    while (written < bytes->size()) {
        ssize_t n = ops.write(fd, bytes->data() + written, bytes->size() - written);
        if (n <= 0) {
            if (n == 0)
                errno = ENOSPC;
            return fail("could not write");
        }
        written += static_cast<std::size_t>(n);
    }
    if (ops.fsync(fd) != 0)
        return fail("could not flush");
    struct stat info{};
    if (ops.fstat(fd, &info) != 0)
        return fail("could not inspect");
    stamp = Stamp{true, info.st_dev, info.st_ino, info.st_size, nanoseconds(info.st_mtim)};
    int closed = ops.close(fd);
    fd = -1;
    if (closed != 0)
        return fail("could not close");
    if (ops.rename(temporary, path_) != 0)
        return fail("could not rename into place");
    fileBytes = std::move(*bytes);
    return true;
}

bool NSUserDefaults::synchronize()
{
    std::lock_guard lock(mutex_);
    if (pending_.empty()) {
        refresh();
        return true;
    }
    FileOps& ops = FileOps::current();
    int lockFd = lockFolder(true);
    if (lockFd < 0)
        return false;
    removeStaleTemporaries();
    DiskRead disk = readDiskAndSetAsideCorrupt(true);
    if (disk.result == DiskRead::Result::Failed || disk.result == DiskRead::Result::Corrupt) {
        // What cannot be read (or set aside) is never replaced: that would lose it.
        NSLog("NSUserDefaults: not replacing %s, which could not be read", path_.c_str());
        ops.close(lockFd);
        return false;
    }
    // Memory already holds the file's values with the pending changes over them.
    NSDictionary::Storage merged = disk.sameAsMemory ? values_ : disk.values;
    for (const auto& [key, value] : pending_) {
        if (value)
            merged[key] = value;
        else
            merged.erase(key);
    }
    Stamp stamp;
    std::string bytes;
    bool written = writeFile(merged, stamp, bytes);
    bool flushed = written && ops.fsync(lockFd) == 0;
    if (written && !flushed)
        logFailure("could not flush the folder of", path_, errno);
    ops.close(lockFd);
    if (!flushed) {
        // The changes stay pending; memory shows them over whatever the disk now holds.
        loaded_ = false;
        refresh();
        return false;
    }
    pending_.clear();
    values_ = std::move(merged);
    knownBytes_ = std::move(bytes);
    stamp_ = stamp;
    loaded_ = true;
    return true;
}

bool NSUserDefaults::removePersistentDomain()
{
    std::lock_guard lock(mutex_);
    FileOps& ops = FileOps::current();
    int lockFd = lockFolder(false);
    bool removed = true;
    if (lockFd >= 0) {
        removeStaleTemporaries();
        if (ops.unlink(path_) != 0 && errno != ENOENT) {
            logFailure("could not delete", path_, errno);
            removed = false;
        } else if (ops.fsync(lockFd) != 0) {
            logFailure("could not flush the folder of", path_, errno);
        }
        ops.close(lockFd);
    }
    if (removed) {
        pending_.clear();
        values_.clear();
        knownBytes_.reset();
        stamp_ = Stamp{};
        loaded_ = true;
    }
    return removed;
}
