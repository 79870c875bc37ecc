// The settings store's cache: one shared object per domain's file, holding the file's values with
// the changes not yet written over them, read again whenever the file changed on disk.
#include "platform/foundation/NSUserDefaults.h"

#include "platform/foundation/DeviceRoot.h"
#include "platform/foundation/FileOps.h"
#include "platform/foundation/FoundationState.h"
#include "platform/foundation/NSLog.h"
#include "platform/foundation/NSNumber.h"
#include "platform/foundation/NSPropertyListSerialization.h"

#include <cerrno>

namespace {
constexpr const char* kPreferencesFolder = "/var/mobile/Library/Preferences";

SettingsCache& shared() { return FoundationState::current().settings(); }

std::mutex& sharedMutex() { return shared().mutex; }
std::string& standardDomainName() { return shared().standardDomain; }
std::map<std::string, std::weak_ptr<NSUserDefaults>>& instances() { return shared().byPath; }
std::shared_ptr<NSUserDefaults>& standardInstance() { return shared().standard; }
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

void NSUserDefaults::applyDisk(const DiskRead& disk) const
{
    if (disk.result == DiskRead::Result::Failed)
        readFailure_ = readFailureOf(disk);
    else
        readFailure_.reset();
    setAsideAs_ = disk.setAsideAs;
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
        now = stampOf(info);
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

std::shared_ptr<NSDictionary> NSUserDefaults::dictionaryRepresentation() const
{
    std::lock_guard lock(mutex_);
    refresh();
    return NSDictionary::dictionaryWithDictionary(values_);
}

Failure NSUserDefaults::readFailureOf(const DiskRead& disk) const
{
    Failure failure = Failure::because(disk.why, disk.setAsideAs.value_or(path_), disk.error);
    failure.call = "read";
    return failure;
}

Result<std::shared_ptr<NSObject>> NSUserDefaults::readObject(const std::string& key) const
{
    std::lock_guard lock(mutex_);
    refresh();
    if (readFailure_)
        return *readFailure_;
    auto found = values_.find(key);
    return found == values_.end() ? nullptr : found->second;
}

Result<std::shared_ptr<NSDictionary>> NSUserDefaults::readDictionary() const
{
    std::lock_guard lock(mutex_);
    refresh();
    if (readFailure_)
        return *readFailure_;
    return NSDictionary::dictionaryWithDictionary(values_);
}

std::optional<std::string> NSUserDefaults::setAsideFile() const
{
    std::lock_guard lock(mutex_);
    return setAsideAs_;
}

std::optional<std::string> NSUserDefaults::reasonNotStorable(const NSObject* value, const std::string& key)
{
    // The file is written as XML, so the key and the value must both have an XML form.
    using Serialization = NSPropertyListSerialization;
    const NSDictionary keyAlone({{key, NSNumber::numberWithBool(false)}});
    if (auto why = Serialization::reasonNotPropertyList(&keyAlone, Serialization::Format::XML))
        return why;
    return value ? Serialization::reasonNotPropertyList(value, Serialization::Format::XML) : std::nullopt;
}

void NSUserDefaults::setObject(std::shared_ptr<NSObject> value, const std::string& key)
{
    if (value) {
        if (auto why = reasonNotStorable(value.get(), key)) {
            NSLog("NSUserDefaults: refusing a value of class %s for key %s: %s", value->className(), key.c_str(), why->c_str());
            return;
        }
    }
    std::lock_guard lock(mutex_);
    refresh();
    if (value)
        values_[key] = value;
    else
        values_.erase(key);
    pending_[key] = std::move(value);
}

void NSUserDefaults::discardChangeForKey(const std::string& key)
{
    std::lock_guard lock(mutex_);
    if (pending_.erase(key) == 0)
        return;
    // Read the file afresh, so memory holds its values with the other pending changes over them.
    loaded_ = false;
    refresh();
}

void NSUserDefaults::setBool(bool value, const std::string& key) { setObject(NSNumber::numberWithBool(value), key); }
void NSUserDefaults::setFloat(float value, const std::string& key) { setObject(NSNumber::numberWithDouble(static_cast<double>(value)), key); }
void NSUserDefaults::setDouble(double value, const std::string& key) { setObject(NSNumber::numberWithDouble(value), key); }
void NSUserDefaults::setInteger(NSInteger value, const std::string& key) { setObject(NSNumber::numberWithInteger(value), key); }
void NSUserDefaults::removeObjectForKey(const std::string& key) { setObject(nullptr, key); }

