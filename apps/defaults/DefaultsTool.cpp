#include "DefaultsTool.h"

#include "DefaultsFailure.h"
#include "DefaultsValue.h"
#include "DefaultsWriteValue.h"

#include "platform/foundation/NSArray.h"
#include "platform/foundation/NSDictionary.h"
#include "platform/foundation/NSUserDefaults.h"

namespace {
int readFailed(const NSUserDefaults& defaults, const Failure& why, std::ostream& err) { return DefaultsFailure::readFailed(defaults, why, err); }
int writeFailed(const NSUserDefaults& defaults, const Failure& why, std::ostream& err) { return DefaultsFailure::writeFailed(defaults, why, err); }

// The value under the key, or nothing for a tool given no store; a read that fails stays a failure.
Result<std::shared_ptr<NSObject>> readValue(const std::shared_ptr<NSUserDefaults>& defaults, const std::string& key)
{
    return defaults ? defaults->readObject(key) : Result<std::shared_ptr<NSObject>>(nullptr);
}
} // namespace

const char* DefaultsTool::usage()
{
    return "usage: glyphward-defaults [--root DIR] read DOMAIN [KEY]\n"
           "       glyphward-defaults [--root DIR] read-type DOMAIN KEY\n"
           "       glyphward-defaults [--root DIR] write DOMAIN KEY VALUE\n"
           "       glyphward-defaults [--root DIR] rename DOMAIN OLD_KEY NEW_KEY\n"
           "       glyphward-defaults [--root DIR] delete DOMAIN [KEY]\n"
           "       glyphward-defaults [--root DIR] domains\n"
           "       glyphward-defaults [--root DIR] find WORD\n"
           "       glyphward-defaults [--root DIR] export DOMAIN FILE|-\n"
           "       glyphward-defaults [--root DIR] import DOMAIN FILE|-\n"
           "VALUE is a string, or one of:\n"
           "  -string S | -int[eger] N | -float N | -bool[ean] YES|NO | -data HEX | -date 2026-12-08T10:00:00Z\n"
           "  -array V... | -array-add V... | -dict KEY V... | -dict-add KEY V...\n"
           "Inside -array and -dict a value V is a string or a single typed value, such as -int 5.\n";
}

int DefaultsTool::misuse(const std::string& why)
{
    err_ << why << "\n" << usage();
    return 2;
}

int DefaultsTool::missingPair(const std::string& domain, const std::string& key)
{
    err_ << "The domain/default pair of (" << domain << ", " << key << ") does not exist\n";
    return 1;
}

int DefaultsTool::startAfresh(NSUserDefaults& defaults, const std::string& key)
{
    // The key's value is unknown: deleting it is the owner's way to start the domain again.
    const std::string aside = defaults.setAsideFile().value_or("");
    defaults.removeObjectForKey(key);
    if (const Result<void> written = defaults.startAfresh(); !written.ok())
        return writeFailed(defaults, written.failure(), err_);
    err_ << "Domain " << defaults.domain() << " could not be read and starts afresh without " << key << "; its old file stays at "
         << aside << "\n";
    return 0;
}

int DefaultsTool::missingDomain(const std::string& domain)
{
    err_ << "Domain " << domain << " does not exist\n";
    return 1;
}

int DefaultsTool::run(const std::vector<std::string>& words)
{
    if (words.empty())
        return misuse("No command given.");
    const std::string& verb = words[0];
    if (verb == "read")
        return read(words);
    if (verb == "read-type")
        return readType(words);
    if (verb == "write")
        return write(words);
    if (verb == "rename")
        return rename(words);
    if (verb == "delete")
        return remove(words);
    if (verb == "domains")
        return domains(words);
    if (verb == "find")
        return find(words);
    if (verb == "export")
        return exportDomain(words);
    if (verb == "import")
        return importDomain(words);
    return misuse("Unknown command: " + verb);
}

int DefaultsTool::read(const std::vector<std::string>& words)
{
    if (words.size() < 2 || words.size() > 3)
        return misuse("read takes a domain and at most one key.");
    const std::string& domain = words[1];
    auto defaults = NSUserDefaults::defaultsForDomain(domain);
    if (words.size() == 3) {
        const auto read = readValue(defaults, words[2]);
        if (!read.ok())
            return readFailed(*defaults, read.failure(), err_);
        const auto& value = read.value();
        if (!value)
            return missingPair(domain, words[2]);
        out_ << DefaultsValue::format(value.get()) << "\n";
        return 0;
    }
    if (!defaults)
        return missingDomain(domain);
    // Read first: a domain whose file was set aside has no file, yet is no missing domain.
    const auto all = defaults->readDictionary();
    if (!all.ok())
        return readFailed(*defaults, all.failure(), err_);
    if (!defaults->persistentDomainExists())
        return missingDomain(domain);
    out_ << all.value()->description() << "\n";
    return 0;
}

int DefaultsTool::readType(const std::vector<std::string>& words)
{
    if (words.size() != 3)
        return misuse("read-type takes a domain and a key.");
    auto defaults = NSUserDefaults::defaultsForDomain(words[1]);
    const auto read = readValue(defaults, words[2]);
    if (!read.ok())
        return readFailed(*defaults, read.failure(), err_);
    const auto& value = read.value();
    if (!value)
        return missingPair(words[1], words[2]);
    out_ << "Type is " << DefaultsValue::typeName(value.get()) << "\n";
    return 0;
}

int DefaultsTool::write(const std::vector<std::string>& words)
{
    if (words.size() < 4)
        return misuse("write takes a domain, a key and a value.");
    DefaultsWriteValue given = DefaultsWriteValue::parse(words, 3);
    if (!given.value)
        return misuse(given.error);
    const std::string& key = words[2];
    auto defaults = NSUserDefaults::defaultsForDomain(words[1]);
    if (!defaults)
        return misuse("Not a domain name: " + words[1]);
    std::shared_ptr<NSObject> value = given.value;
    if (given.action != DefaultsWriteValue::Action::Set) {
        const auto read = defaults->readObject(key);
        if (!read.ok())
            return readFailed(*defaults, read.failure(), err_);
        const auto& present = read.value();
        if (given.action == DefaultsWriteValue::Action::AddToArray && present) {
            auto array = std::dynamic_pointer_cast<NSArray>(present);
            if (!array) {
                err_ << "Value for key " << key << " is not an array; cannot append. Leaving defaults unchanged.\n";
                return 1;
            }
            auto objects = array->objects();
            const auto& added = std::static_pointer_cast<NSArray>(value)->objects();
            objects.insert(objects.end(), added.begin(), added.end());
            value = NSArray::arrayWithArray(std::move(objects));
        } else if (given.action == DefaultsWriteValue::Action::AddToDictionary && present) {
            auto dictionary = std::dynamic_pointer_cast<NSDictionary>(present);
            if (!dictionary) {
                err_ << "Value for key " << key << " is not a dictionary; cannot add to it. Leaving defaults unchanged.\n";
                return 1;
            }
            auto entries = dictionary->entries();
            for (const auto& [name, entry] : std::static_pointer_cast<NSDictionary>(value)->entries())
                entries[name] = entry;
            value = NSDictionary::dictionaryWithDictionary(std::move(entries));
        }
    }
    if (auto why = NSUserDefaults::reasonNotStorable(value.get(), key)) {
        err_ << "Cannot store the value for key " << key << ": " << *why << ".\n";
        return 1;
    }
    defaults->setObject(value, key);
    if (const Result<void> written = defaults->save(); !written.ok())
        return writeFailed(*defaults, written.failure(), err_);
    return 0;
}

int DefaultsTool::rename(const std::vector<std::string>& words)
{
    if (words.size() != 4)
        return misuse("rename takes a domain, the old key and the new key.");
    const std::string& domain = words[1];
    const std::string& from = words[2];
    const std::string& to = words[3];
    auto defaults = NSUserDefaults::defaultsForDomain(domain);
    if (!defaults)
        return misuse("Not a domain name: " + domain);
    const auto read = defaults->readObject(from);
    if (!read.ok())
        return readFailed(*defaults, read.failure(), err_);
    const auto& value = read.value();
    if (!value) {
        err_ << "Key " << from << " does not exist in domain " << domain << "; leaving defaults unchanged\n";
        return 1;
    }
    if (from == to)
        return 0;
    if (auto why = NSUserDefaults::reasonNotStorable(value.get(), to)) {
        err_ << "Cannot store the value for key " << to << ": " << *why << ".\n";
        return 1;
    }
    // Both changes go out in one write: no reader ever sees the value under both keys or neither.
    defaults->setObject(value, to);
    defaults->removeObjectForKey(from);
    if (const Result<void> written = defaults->save(); !written.ok())
        return writeFailed(*defaults, written.failure(), err_);
    return 0;
}

int DefaultsTool::remove(const std::vector<std::string>& words)
{
    if (words.size() < 2 || words.size() > 3)
        return misuse("delete takes a domain and at most one key.");
    const std::string& domain = words[1];
    auto defaults = NSUserDefaults::defaultsForDomain(domain);
    if (words.size() == 3) {
        const auto read = readValue(defaults, words[2]);
        if (defaults && defaults->setAsideFile())
            return startAfresh(*defaults, words[2]);
        if (!read.ok())
            return readFailed(*defaults, read.failure(), err_);
        if (!read.value())
            return missingPair(domain, words[2]);
        defaults->removeObjectForKey(words[2]);
        if (const Result<void> written = defaults->save(); !written.ok())
            return writeFailed(*defaults, written.failure(), err_);
        return 0;
    }
    if (defaults)
        defaults->dictionaryRepresentation();
    if (!defaults || (!defaults->persistentDomainExists() && !defaults->setAsideFile()))
        return missingDomain(domain);
    if (!defaults->removePersistentDomain().ok()) {
        err_ << "Could not delete domain " << domain << "\n";
        return 1;
    }
    return 0;
}
