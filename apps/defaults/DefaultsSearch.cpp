#include "DefaultsSearch.h"

#include "DefaultsValue.h"

#include "platform/foundation/FileOps.h"
#include "platform/foundation/NSArray.h"
#include "platform/foundation/NSDictionary.h"
#include "platform/foundation/NSUserDefaults.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>

std::optional<std::vector<std::string>> DefaultsSearch::domains(std::string& why)
{
    // Every domain's file lies in the one preferences folder; any valid name shows where.
    const std::string sample = NSUserDefaults::pathForDomain("domain");
    const std::string folder = sample.substr(0, sample.rfind('/'));
    auto names = FileOps::current().listDirectory(folder);
    if (!names) {
        if (errno == ENOENT)
            return std::vector<std::string>();
        why = "Could not list the domains in " + folder + ": " + std::strerror(errno);
        return std::nullopt;
    }
    const std::string suffix = ".plist";
    std::vector<std::string> found;
    for (const auto& name : *names) {
        // Hidden names are the store's temporaries; set-aside copies do not end in .plist.
        if (name.starts_with(".") || !name.ends_with(suffix))
            continue;
        std::string domain = name.substr(0, name.size() - suffix.size());
        if (NSUserDefaults::isValidDomain(domain))
            found.push_back(std::move(domain));
    }
    std::sort(found.begin(), found.end());
    return found;
}

bool DefaultsSearch::textContains(const std::string& text, const std::string& word)
{
    const auto same = [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
    };
    return std::search(text.begin(), text.end(), word.begin(), word.end(), same) != text.end();
}

bool DefaultsSearch::contains(const NSObject* value, const std::string& word)
{
    if (auto* array = dynamic_cast<const NSArray*>(value))
        return std::any_of(array->objects().begin(), array->objects().end(),
                           [&](const auto& object) { return contains(object.get(), word); });
    if (auto* dictionary = dynamic_cast<const NSDictionary*>(value))
        return std::any_of(dictionary->entries().begin(), dictionary->entries().end(), [&](const auto& entry) {
            return textContains(entry.first, word) || contains(entry.second.get(), word);
        });
    return textContains(DefaultsValue::format(value), word);
}
