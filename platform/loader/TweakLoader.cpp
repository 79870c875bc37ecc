#include "platform/loader/TweakLoader.h"

#include "platform/foundation/DeviceRoot.h"
#include "platform/foundation/FileOps.h"
#include "platform/foundation/FolderTrust.h"
#include "platform/foundation/NSLog.h"
#include "platform/foundation/PlistHandle.h"
#include "platform/foundation/UniqueFd.h"
#include "platform/loader/DynamicLibraryOpener.h"
#include "platform/loader/ElfImage.h"

#include <algorithm>
#include <optional>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::size_t maximumFilterSize = 1 << 20;

// The note that every tweak built here carries (see cmake/GlyphwardAbi.cmake): owner, type.
constexpr const char* abiNoteOwner = "Glyphward";
constexpr std::uint32_t abiNoteType = 1;
constexpr std::size_t maximumShownTagLength = 64;

bool endsWith(const std::string& s, const std::string& suffix)
{
    return s.size() > suffix.size() && s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// A failed call on the file, said as the loader's log lines say it: "cannot be read (reason)".
Failure failedCall(const char* call, const char* said, const std::string& path)
{
    const int error = errno;
    return Failure{ call, path, error, std::string(said) + " (" + std::strerror(error) + ")" };
}

// Opens the file without following a link and makes sure the descriptor is the very file that
// lstat saw, so a file swapped in between the look and the open is caught.
Result<UniqueFd> openTrusted(const std::string& path)
{
    struct stat seen {};
    if (::lstat(path.c_str(), &seen) != 0)
        return failedCall("lstat", "cannot be read", path);
    if (!S_ISREG(seen.st_mode))
        return Failure::because("is not a regular file", path);
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (!fd)
        return failedCall("open", "cannot be opened", path);
    struct stat opened {};
    if (::fstat(fd.get(), &opened) != 0 || opened.st_dev != seen.st_dev || opened.st_ino != seen.st_ino)
        return Failure::because("changed while it was being opened", path);
    if (Result<void> trusted = TweakLoader::checkTrusted(fd.get()); !trusted.ok())
        return trusted.failure();
    return fd;
}

bool readAll(int fd, std::string& out)
{
    char buffer[8192];
    for (;;) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (n == 0)
            return true;
        out.append(buffer, static_cast<std::size_t>(n));
        if (out.size() > maximumFilterSize)
            return false;
    }
}

bool refuse(TweakLoader::Report& report, const std::string& path, const std::string& reason)
{
    NSLog("TweakLoader: refused %s: %s", path.c_str(), reason.c_str());
    report.refused.push_back(path);
    return false;
}

bool refuse(TweakLoader::Report& report, const std::string& path, const Failure& why) { return refuse(report, path, why.message); }

// Reads the filter beside a library: whether it names the bundle. A library without a filter is
// meant for no one in particular and stays closed; a filter that cannot be trusted or read, or
// is no filter at all, is refused.
bool filterAdmits(const std::string& filterPath, const std::string& bundleId, TweakLoader::Report& report)
{
    struct stat filterStat {};
    if (::lstat(filterPath.c_str(), &filterStat) != 0)
        return false;
    std::string filter;
    const Result<UniqueFd> filterFd = openTrusted(filterPath);
    if (!filterFd.ok())
        return refuse(report, filterPath, filterFd.failure());
    if (!readAll(filterFd.value().get(), filter))
        return refuse(report, filterPath, "cannot be read");
    const Result<bool> lists = TweakLoader::filterListsBundle(filter, bundleId);
    if (!lists.ok())
        return refuse(report, filterPath, lists.failure());
    return lists.value();
}

bool isPlatformLibrary(const std::string& needed)
{
    const std::string platform = GLYPHWARD_PLATFORM_LIBRARY;
    return needed == platform || needed.rfind(platform + ".", 0) == 0;
}

// A tag as read from a file, fit for a log line.
std::string shownTag(std::string tag)
{
    if (tag.size() > maximumShownTagLength)
        tag.resize(maximumShownTagLength);
    for (char& c : tag)
        if (c < 0x20 || c > 0x7e)
            c = '?';
    return tag;
}

} // namespace

std::string TweakLoader::libraryDirectory() { return DeviceRoot::resolve("/Library/MobileSubstrate/DynamicLibraries"); }

TweakLoader::Report TweakLoader::loadForBundle(const std::string& bundleId)
{
    return loadFromDirectory(libraryDirectory(), bundleId, &TweakLoader::openLibrary, DeviceRoot::path());
}

TweakLoader::Report TweakLoader::loadFromDirectory(const std::string& directory, const std::string& bundleId, const Opener& opener,
                                                   const std::string& trustedFrom)
{
    Report report;
    // Why nothing was loaded is said, so that the owner can see why the lock did not come up.
    const auto noLibrary = [&](const std::string& why) {
        NSLog("TweakLoader: no library for %s in %s: %s", bundleId.c_str(), directory.c_str(), why.c_str());
        return report;
    };
    const FolderTrust::Verdict folder = FolderTrust::judge(trustedFrom.empty() ? directory : trustedFrom, directory);
    if (folder.refused()) {
        refuse(report, folder.path, folder.problem);
        return noLibrary("the folder " + folder.path + " is refused");
    }
    if (!folder.trusted())
        return noLibrary(folder.describe());
    std::optional<std::vector<std::string>> listed = FileOps::current().listDirectory(directory);
    if (!listed)
        return noLibrary(std::string("the folder cannot be listed (") + std::strerror(errno) + ")");
    std::vector<std::string> names = std::move(*listed);
    std::erase_if(names, [](const std::string& name) { return !endsWith(name, ".dylib"); });
    std::sort(names.begin(), names.end());

    std::size_t notForUs = 0;
    std::size_t notLoaded = 0;
    for (const std::string& name : names) {
        const std::string base = directory + "/" + name.substr(0, name.size() - std::strlen(".dylib"));
        const std::string libraryPath = base + ".dylib";
        const std::size_t refusedBefore = report.refused.size();
        if (!filterAdmits(base + ".plist", bundleId, report)) {
            notForUs += report.refused.size() == refusedBefore ? 1 : 0;
            continue;
        }
        const Result<UniqueFd> libraryFd = openTrusted(libraryPath);
        if (!libraryFd.ok()) {
            refuse(report, libraryPath, libraryFd.failure());
            continue;
        }
        if (const Result<void> loadable = checkLoadable(libraryFd.value().get()); !loadable.ok()) {
            refuse(report, libraryPath, loadable.failure());
            continue;
        }
        if (opener && opener(libraryFd.value().get(), libraryPath))
            report.loaded.push_back(libraryPath);
        else
            ++notLoaded;
    }
    if (!report.loaded.empty())
        return report;
    if (names.empty())
        return noLibrary("it holds no .dylib file");
    std::string counts;
    const auto count = [&counts](std::size_t n, const char* what) {
        if (n > 0)
            counts += (counts.empty() ? "" : ", ") + std::to_string(n) + " " + what;
    };
    count(report.refused.size(), "refused");
    count(notLoaded, "did not load");
    count(notForUs, "not meant for this app");
    return noLibrary("of its " + std::to_string(names.size()) + (names.size() == 1 ? " .dylib file, " : " .dylib files, ") + counts);
}

Result<bool> TweakLoader::filterListsBundle(const std::string& plistData, const std::string& bundleId)
{
    const auto noFilter = [](const char* reason) { return Failure::because(reason); };
    if (plistData.empty())
        return noFilter("is empty");
    if (plistData.size() > maximumFilterSize)
        return noFilter("is too large");
    const PlistHandle root = plistFromMemory(plistData);
    if (!root)
        return noFilter("is not a property list");

    plist_t filter = plist_get_node_type(root.get()) == PLIST_DICT ? plist_dict_get_item(root.get(), "Filter") : nullptr;
    if (!filter || plist_get_node_type(filter) != PLIST_DICT)
        return noFilter("has no Filter dictionary");
    // A filter may name its processes otherwise (by executable, by class): then not by bundle.
    plist_t bundles = plist_dict_get_item(filter, "Bundles");
    if (!bundles)
        return false;
    if (plist_get_node_type(bundles) != PLIST_ARRAY)
        return noFilter("has a Filter Bundles entry that is not an array");
    const uint32_t count = plist_array_get_size(bundles);
    for (uint32_t i = 0; i < count; ++i) {
        plist_t item = plist_array_get_item(bundles, i);
        if (!item || plist_get_node_type(item) != PLIST_STRING)
            continue;
        const char* value = plist_get_string_ptr(item, nullptr);
        if (value && bundleId == value)
            return true;
    }
    return false;
}

Result<void> TweakLoader::checkTrusted(int fd)
{
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return failedCall("fstat", "cannot be examined", {});
    if (!S_ISREG(st.st_mode))
        return Failure::because("is not a regular file");
    if (st.st_mode & (S_IWGRP | S_IWOTH))
        return Failure::because("is writable by group or others");
    if (st.st_uid != ::geteuid() && st.st_uid != 0)
        return Failure::because("is owned by another user");
    return {};
}

Result<void> TweakLoader::checkLoadable(int fd)
{
    const ElfImage image(fd);
    if (!image.problem().empty())
        return Failure::because(image.problem());
    const auto& needed = image.neededLibraries();
    // A library that does not link our platform library is not ours to judge.
    if (std::none_of(needed.begin(), needed.end(), isPlatformLibrary))
        return {};
    const auto tag = image.note(abiNoteOwner, abiNoteType);
    if (!tag)
        return Failure::because("links " GLYPHWARD_PLATFORM_LIBRARY " but carries no platform build tag (this is " + abiTag() + ")");
    if (*tag != abiTag())
        return Failure::because("was built for platform build " + shownTag(*tag) + ", this is " + abiTag());
    return {};
}

std::string TweakLoader::abiTag() { return GLYPHWARD_ABI_TAG; }

bool TweakLoader::openLibrary(int fd, const std::string& path)
{
    const Result<DynamicLibraryOpener::Outcome> opened = DynamicLibraryOpener::open(fd, path);
    if (!opened.ok()) {
        NSLog("TweakLoader: could not load %s: %s", path.c_str(), opened.failure().message.c_str());
        return false;
    }
    if (opened.value() == DynamicLibraryOpener::Outcome::AlreadyLoaded) {
        NSLog("TweakLoader: refused %s: %s", path.c_str(), "is already loaded");
        return false;
    }
    return true;
}
