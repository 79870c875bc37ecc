#pragma once
#include "platform/foundation/Result.h"

#include <string>
#include <vector>

// The read-only parts of a device root as the package installs them, and a user's own root made
// and kept up to date from them. The template may be split over several folders (the package
// keeps the library apart from the files every architecture shares): a part of the root is the
// union of that part in each. A stamp file in the first folder names the template's version and
// contents; a root whose stamp differs gets its read-only parts replaced, its settings kept.
class DeviceRootTemplate {
public:
    // The stamp's file name, in the template and in every root made from it.
    static constexpr const char* stampName = ".glyphward-template";
    // The folders of a root that come from the template; everything else in a root is the user's.
    static const std::vector<std::string>& parts();

    explicit DeviceRootTemplate(std::string folder);
    // The stamp is read from the first folder; no two folders may hold the same file.
    explicit DeviceRootTemplate(std::vector<std::string> folders);

    // Makes the root from the template, or refreshes its read-only parts when its stamp differs
    // from the template's. A part is copied beside the root's and swapped in whole, so a library
    // is never seen half copied; the stamp is written last. Fails when the root is not up to
    // date: its old stamp then stays, and the next run tries again.
    Result<void> apply(const std::string& root) const;

private:
    bool hasPart(const std::string& part) const;
    Result<void> refresh(const std::string& root, const std::string& stamp) const;
    Result<void> replacePart(const std::string& root, const std::string& part) const;

    std::vector<std::string> folders_;
};
