#include "platform/foundation/NSBundle.h"

#include "platform/foundation/StringsFile.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace {

std::vector<std::string>& preferredOverride()
{
    static std::vector<std::string> languages;
    return languages;
}

void addUnique(std::vector<std::string>& list, const std::string& item)
{
    if (!item.empty() && std::find(list.begin(), list.end(), item) == list.end())
        list.push_back(item);
}

bool exists(const std::string& path)
{
    std::error_code error;
    return std::filesystem::exists(path, error);
}

} // namespace

std::shared_ptr<NSBundle> NSBundle::bundleWithPath(const std::string& path)
{
    std::error_code error;
    if (path.empty() || !std::filesystem::is_directory(path, error))
        return nullptr;
    std::string clean = path;
    while (clean.size() > 1 && clean.back() == '/')
        clean.pop_back();
    return std::make_shared<NSBundle>(clean);
}

std::string NSBundle::description() const { return "NSBundle <" + path_ + "> (loaded)"; }

std::vector<std::string> NSBundle::localizationsForLocale(const std::string& locale)
{
    std::string name = locale.substr(0, locale.find_first_of(".@"));
    std::vector<std::string> result;
    if (name.empty() || name == "C" || name == "POSIX")
        return result;
    std::size_t cut = name.find_first_of("_-");
    std::string language = name.substr(0, cut);
    std::string rest = cut == std::string::npos ? std::string() : name.substr(cut + 1);
    if (language == "zh") {
        // Chinese folders are named by script, which the region implies.
        bool traditional = rest.find("Hant") != std::string::npos || rest == "TW" || rest == "HK" || rest == "MO";
        addUnique(result, traditional ? "zh-Hant" : "zh-Hans");
    }
    addUnique(result, name);
    std::string underscored = name;
    std::string hyphenated = name;
    std::replace(underscored.begin(), underscored.end(), '-', '_');
    std::replace(hyphenated.begin(), hyphenated.end(), '_', '-');
    addUnique(result, hyphenated);
    addUnique(result, underscored);
    addUnique(result, language);
    return result;
}

void NSBundle::setPreferredLanguages(std::vector<std::string> languages) { preferredOverride() = std::move(languages); }

std::vector<std::string> NSBundle::localizationSearchOrder()
{
    std::vector<std::string> order;
    std::vector<std::string> preferred = preferredOverride();
    if (preferred.empty()) {
        const char* lang = std::getenv("LANG");
        if (lang)
            preferred.emplace_back(lang);
    }
    for (const auto& locale : preferred)
        for (const auto& folder : localizationsForLocale(locale))
            addUnique(order, folder);
    addUnique(order, "en");
    addUnique(order, "Base");
    return order;
}

std::optional<std::string> NSBundle::pathForResource(const std::string& name, const std::string& type) const
{
    if (name.empty())
        return std::nullopt;
    std::string extension = type;
    if (!extension.empty() && extension.front() == '.')
        extension.erase(0, 1);
    std::string file = extension.empty() ? name : name + "." + extension;
    std::string inRoot = path_ + "/" + file;
    if (exists(inRoot))
        return inRoot;
    for (const auto& language : localizationSearchOrder()) {
        std::string localized = path_ + "/" + language + ".lproj/" + file;
        if (exists(localized))
            return localized;
    }
    return std::nullopt;
}

std::string NSBundle::localizedStringForKey(const std::string& key, const std::string& value, const std::string& table) const
{
    std::string file = (table.empty() ? std::string("Localizable") : table) + ".strings";
    std::vector<std::string> candidates;
    for (const auto& language : localizationSearchOrder())
        candidates.push_back(path_ + "/" + language + ".lproj/" + file);
    // A table that is not localized at all lies in the root, searched last.
    candidates.push_back(path_ + "/" + file);
    for (const auto& path : candidates) {
        auto strings = StringsFile::load(path);
        if (!strings)
            continue;
        auto it = strings->find(key);
        if (it != strings->end())
            return it->second;
    }
    return value.empty() ? key : value;
}
