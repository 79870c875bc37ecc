#pragma once
#include "platform/runtime/NSObject.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

// A folder of resources: files in its root, and localized ones in "<language>.lproj" folders,
// looked up in the order of the preferred languages, then "en", then "Base".
class NSBundle final : public NSObject {
public:
    explicit NSBundle(std::string path) : path_(std::move(path)) { }
    // The bundle at the folder, or null when there is no such folder.
    static std::shared_ptr<NSBundle> bundleWithPath(const std::string& path);

    GLYPHWARD_RUNTIME_CLASS(NSBundle, NSObject);
    std::string description() const override;

    // The file "<name>.<type>" (just "<name>" when the type is empty) in the root, else in the
    // first localization folder that has it; nothing when it is nowhere.
    std::optional<std::string> pathForResource(const std::string& name, const std::string& type) const;
    // The translation of the key in "<lang>.lproj/<table>.strings" (table "Localizable" when
    // empty) for the first language that has one; otherwise the value, or the key itself when
    // the value is empty.
    std::string localizedStringForKey(const std::string& key, const std::string& value, const std::string& table) const;

    // Overrides the languages taken from LANG (an empty list goes back to LANG). Entries may be
    // locale names ("zh_CN.UTF-8") or language tags ("zh-Hans").
    static void setPreferredLanguages(std::vector<std::string> languages);
    // The languages set by setPreferredLanguages (empty while LANG decides).
    static std::vector<std::string> preferredLanguages();
    // The localization folders searched, best first, "en" and "Base" last.
    static std::vector<std::string> localizationSearchOrder();
    // The folder names one locale or tag stands for, best first: "zh_CN.UTF-8" gives "zh-Hans",
    // "zh_CN", "zh-CN", "zh"; "en_US" gives "en_US", "en-US", "en"; "C" and "POSIX" give none.
    static std::vector<std::string> localizationsForLocale(const std::string& locale);

private:
    static const std::vector<std::string>& cachedSearchOrder();

    std::string path_;
};
