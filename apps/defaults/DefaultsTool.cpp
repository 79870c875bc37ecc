#include "DefaultsTool.h"

#include "DefaultsValue.h"

#include "platform/foundation/NSUserDefaults.h"

namespace {
// A file that cannot be read is no empty domain: say why, and fail.
bool unreadable(const NSUserDefaults& defaults, std::ostream& err)
{
    std::optional<std::string> why = defaults.readFailure();
    if (why)
        err << "Could not read domain " << defaults.domain() << ": " << defaults.path() << ": " << *why << "\n";
    return why.has_value();
}

int writeFailed(const NSUserDefaults& defaults, std::ostream& err)
{
    err << "Could not write domain " << defaults.domain() << "; defaults have not been changed.\n";
    if (std::string why = defaults.writeFailure(); !why.empty())
        err << "Cause: " << why << "\n";
    return 1;
}
} // namespace

const char* DefaultsTool::usage()
{
    return "usage: glyphward-defaults [--root DIR] read DOMAIN [KEY]\n"
           "       glyphward-defaults [--root DIR] write DOMAIN KEY (-bool YES|NO | -float N | -int N | -string S)\n"
           "       glyphward-defaults [--root DIR] delete DOMAIN [KEY]\n";
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
    if (!defaults.startAfresh())
        return writeFailed(defaults, err_);
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
    if (verb == "write")
        return write(words);
    if (verb == "delete")
        return remove(words);
    return misuse("Unknown command: " + verb);
}

int DefaultsTool::read(const std::vector<std::string>& words)
{
    if (words.size() < 2 || words.size() > 3)
        return misuse("read takes a domain and at most one key.");
    const std::string& domain = words[1];
    auto defaults = NSUserDefaults::defaultsForDomain(domain);
    if (words.size() == 3) {
        auto value = defaults ? defaults->objectForKey(words[2]) : nullptr;
        if (defaults && unreadable(*defaults, err_))
            return 1;
        if (!value)
            return missingPair(domain, words[2]);
        out_ << DefaultsValue::format(value.get()) << "\n";
        return 0;
    }
    if (!defaults)
        return missingDomain(domain);
    // Read first: a domain whose file was set aside has no file, yet is no missing domain.
    auto all = defaults->dictionaryRepresentation();
    if (unreadable(*defaults, err_))
        return 1;
    if (!defaults->persistentDomainExists())
        return missingDomain(domain);
    out_ << all->description() << "\n";
    return 0;
}

int DefaultsTool::write(const std::vector<std::string>& words)
{
    std::shared_ptr<NSObject> value;
    if (words.size() == 5 && DefaultsValue::isTypeFlag(words[3])) {
        value = DefaultsValue::parse(words[3], words[4]);
        if (!value)
            return misuse("Cannot read \"" + words[4] + "\" as a value of type " + words[3].substr(1) + ".");
    } else if (words.size() == 4 && !DefaultsValue::isTypeFlag(words[3])) {
        // A bare value is a string, as `defaults` takes it.
        value = DefaultsValue::parse("-string", words[3]);
    } else {
        return misuse("write takes a domain, a key and a typed value.");
    }
    auto defaults = NSUserDefaults::defaultsForDomain(words[1]);
    if (!defaults)
        return misuse("Not a domain name: " + words[1]);
    if (auto why = NSUserDefaults::reasonNotStorable(value.get(), words[2])) {
        err_ << "Cannot store the value for key " << words[2] << ": " << *why << ".\n";
        return 1;
    }
    defaults->setObject(value, words[2]);
    if (!defaults->synchronize())
        return writeFailed(*defaults, err_);
    return 0;
}

int DefaultsTool::remove(const std::vector<std::string>& words)
{
    if (words.size() < 2 || words.size() > 3)
        return misuse("delete takes a domain and at most one key.");
    const std::string& domain = words[1];
    auto defaults = NSUserDefaults::defaultsForDomain(domain);
    if (words.size() == 3) {
        auto value = defaults ? defaults->objectForKey(words[2]) : nullptr;
        if (defaults && defaults->setAsideFile())
            return startAfresh(*defaults, words[2]);
        if (defaults && unreadable(*defaults, err_))
            return 1;
        if (!value)
            return missingPair(domain, words[2]);
        defaults->removeObjectForKey(words[2]);
        if (!defaults->synchronize())
            return writeFailed(*defaults, err_);
        return 0;
    }
    if (defaults)
        defaults->dictionaryRepresentation();
    if (!defaults || (!defaults->persistentDomainExists() && !defaults->setAsideFile()))
        return missingDomain(domain);
    if (!defaults->removePersistentDomain()) {
        err_ << "Could not delete domain " << domain << "\n";
        return 1;
    }
    return 0;
}
