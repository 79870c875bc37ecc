// The verbs that work on whole domains: domains, find, export and import.
#include "DefaultsTool.h"

#include "DefaultsFailure.h"
#include "DefaultsSearch.h"
#include "DefaultsTransfer.h"

#include "platform/foundation/NSDictionary.h"
#include "platform/foundation/NSPropertyListSerialization.h"
#include "platform/foundation/NSUserDefaults.h"

int DefaultsTool::domains(const std::vector<std::string>& words)
{
    if (words.size() != 1)
        return misuse("domains takes no arguments.");
    std::string why;
    auto names = DefaultsSearch::domains(why);
    if (!names) {
        err_ << why << "\n";
        return 1;
    }
    std::string line;
    for (const auto& name : *names)
        line += (line.empty() ? "" : ", ") + name;
    out_ << line << "\n";
    return 0;
}

int DefaultsTool::find(const std::vector<std::string>& words)
{
    if (words.size() != 2 || words[1].empty())
        return misuse("find takes one word to look for.");
    const std::string& word = words[1];
    std::string why;
    auto names = DefaultsSearch::domains(why);
    if (!names) {
        err_ << why << "\n";
        return 1;
    }
    int status = 0;
    bool found = false;
    for (const auto& domain : *names) {
        auto defaults = NSUserDefaults::defaultsForDomain(domain);
        const auto read = defaults->readDictionary();
        // A domain that cannot be read makes the search incomplete: say so, and fail at the end.
        if (!read.ok()) {
            status = DefaultsFailure::readFailed(*defaults, read.failure(), err_);
            continue;
        }
        const auto& all = read.value();
        // A domain whose name holds the word matches whole, as in `defaults`.
        const bool wholeDomain = DefaultsSearch::textContains(domain, word);
        NSDictionary::Storage matches;
        for (const auto& [key, value] : all->entries())
            if (wholeDomain || DefaultsSearch::textContains(key, word) || DefaultsSearch::contains(value.get(), word))
                matches[key] = value;
        if (matches.empty())
            continue;
        found = true;
        const NSDictionary shown(std::move(matches));
        out_ << "Found " << shown.count() << " keys in domain '" << domain << "': " << shown.description() << "\n";
    }
    if (!found)
        out_ << "Found 0 keys matching '" << word << "'\n";
    return status;
}

int DefaultsTool::exportDomain(const std::vector<std::string>& words)
{
    if (words.size() != 3)
        return misuse("export takes a domain and a file (- for standard output).");
    const std::string& domain = words[1];
    auto defaults = NSUserDefaults::defaultsForDomain(domain);
    if (!defaults)
        return misuse("Not a domain name: " + domain);
    const auto read = defaults->readDictionary();
    if (!read.ok())
        return DefaultsFailure::readFailed(*defaults, read.failure(), err_);
    const auto& all = read.value();
    if (!defaults->persistentDomainExists())
        return missingDomain(domain);
    using Format = NSPropertyListSerialization::Format;
    // XML, unless the domain holds text XML cannot carry; the store writes such a domain as a
    // binary property list, and so does the export.
    Format format = Format::XML;
    if (auto why = NSPropertyListSerialization::reasonNotPropertyList(all.get(), Format::XML)) {
        err_ << "Domain " << domain << " holds what XML cannot (" << *why << "); exporting it as a binary property list.\n";
        format = Format::Binary;
    }
    auto bytes = NSPropertyListSerialization::dataWithPropertyList(all.get(), format);
    if (!bytes) {
        err_ << "Could not encode domain " << domain << "\n";
        return 1;
    }
    std::string why;
    if (!DefaultsTransfer::writeAll(words[2], *bytes, out_, why)) {
        err_ << why << "\n";
        return 1;
    }
    return 0;
}

int DefaultsTool::importDomain(const std::vector<std::string>& words)
{
    if (words.size() != 3)
        return misuse("import takes a domain and a file (- for standard input).");
    const std::string& domain = words[1];
    auto defaults = NSUserDefaults::defaultsForDomain(domain);
    if (!defaults)
        return misuse("Not a domain name: " + domain);
    std::string bytes;
    std::string why;
    if (!DefaultsTransfer::readAll(words[2], in_, bytes, why)) {
        err_ << why << "; domain " << domain << " has not been changed.\n";
        return 1;
    }
    const std::string name = DefaultsTransfer::nameOf(words[2], true);
    auto plist = NSPropertyListSerialization::propertyListWithData(bytes);
    if (!plist) {
        err_ << name << " is not a property list; domain " << domain << " has not been changed.\n";
        return 1;
    }
    auto dictionary = std::dynamic_pointer_cast<NSDictionary>(plist);
    if (!dictionary) {
        err_ << name << " holds a property list that is not a dictionary; domain " << domain << " has not been changed.\n";
        return 1;
    }
    if (const Result<void> written = defaults->replacePersistentDomain(dictionary->entries()); !written.ok())
        return DefaultsFailure::writeFailed(*defaults, written.failure(), err_);
    return 0;
}
