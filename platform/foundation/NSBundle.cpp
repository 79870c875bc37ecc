#include "platform/foundation/NSBundle.h"

#include "platform/foundation/FoundationState.h"
#include "platform/foundation/StringsFile.h"

#include <algorithm>
#include <cstdlib>
#include <map>
#include <mutex>
#include <string_view>
#include <sys/stat.h>

namespace {

BundleCache& cache() { return FoundationState::current().bundles(); }

std::vector<std::string>& preferredOverride() { return cache().preferredLanguages; }

void addUnique(std::vector<std::string>& list, const std::string& item)
{
    if (!item.empty() && std::find(list.begin(), list.end(), item) == list.end())
        list.push_back(item);
}

// Plain stat calls: lookups run on every localized text, and a filesystem::path would split
// the whole path into parts each time.
bool exists(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;
}

bool isDirectory(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

} // namespace

std::shared_ptr<NSBundle> NSBundle::bundleWithPath(const std::string& path)
{
    if (path.empty() || !isDirectory(path))
        return nullptr;
    std::string_view clean = path;
    while (clean.size() > 1 && clean.back() == '/')
        clean.remove_suffix(1);
    // One bundle object per folder, as Foundation hands out.
    auto& shared = cache();
    auto& bundles = shared.bundles;
    std::lock_guard lock(shared.mutex);
    auto it = bundles.find(clean);
    if (it == bundles.end())
        it = bundles.emplace(std::string(clean), std::make_shared<NSBundle>(std::string(clean))).first;
    return it->second;
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

std::vector<std::string> NSBundle::preferredLanguages() { return preferredOverride(); }

std::vector<std::string> NSBundle::localizationSearchOrder() { return cachedSearchOrder(); }

const std::vector<std::string>& NSBundle::cachedSearchOrder()
{
    // Worked out again only when the languages it comes from change: every localized text asks.
    auto& shared = cache();
    const std::vector<std::string>* preferred = &preferredOverride();
    std::vector<std::string> fromEnvironment;
    if (preferred->empty()) {
        if (const char* lang = std::getenv("LANG"))
            fromEnvironment.emplace_back(lang);
        preferred = &fromEnvironment;
    }
    if (shared.searchOrderValid && shared.searchOrderFrom == *preferred)
        return shared.searchOrder;
    shared.searchOrderFrom = *preferred;
    shared.searchOrder.clear();
    for (const auto& locale : shared.searchOrderFrom)
        for (const auto& folder : localizationsForLocale(locale))
            addUnique(shared.searchOrder, folder);
    addUnique(shared.searchOrder, "en");
    addUnique(shared.searchOrder, "Base");
    shared.searchOrderValid = true;
    return shared.searchOrder;
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
    for (const auto& language : cachedSearchOrder()) {
        std::string localized = path_ + "/" + language + ".lproj/" + file;
        if (exists(localized))
            return localized;
    }
    return std::nullopt;
}

std::string NSBundle::localizedStringForKey(const std::string& key, const std::string& value, const std::string& table) const
{
    const std::string file = (table.empty() ? std::string("Localizable") : table) + ".strings";
    auto lookUp = [&key](const std::string& path) -> std::optional<std::string> {
        auto strings = StringsFile::load(path);
        if (!strings)
            return std::nullopt;
        auto it = strings->find(key);
        return it == strings->end() ? std::nullopt : std::optional(it->second);
    };
    for (const auto& language : cachedSearchOrder())
        if (auto text = lookUp(path_ + "/" + language + ".lproj/" + file))
            return *text;
    // A table that is not localized at all lies in the root, searched last.
    if (auto text = lookUp(path_ + "/" + file))
        return *text;
    return value.empty() ? key : value;
}
