#pragma once
#include "platform/foundation/Result.h"

#include <functional>
#include <string>
#include <vector>

// Opens the tweak libraries meant for this process when it starts, as the device's loader does:
// every *.dylib in the device root's Library/MobileSubstrate/DynamicLibraries, in name order,
// whose sibling .plist names the process's bundle under Filter → Bundles. A library or filter
// that someone else could have changed (writable by group or others, owned by another user than
// us or root, not a plain file) is refused with a log line and never opened, and so is a filter
// that is no filter at all, a library the dynamic linker could not map safely (cut short, built
// for another machine) and one built against another build of the platform library. So is the
// folder itself when it, or a folder above it up to the device root, is one someone else could
// change (see FolderTrust). When nothing is loaded, a log line says why.
class TweakLoader {
public:
    // Opens one vetted library from its open descriptor; answers whether it loaded.
    using Opener = std::function<bool(int fd, const std::string& path)>;

    struct Report {
        std::vector<std::string> loaded;
        std::vector<std::string> refused;
    };

    // Loads the libraries for the bundle from the device root's library folder.
    static Report loadForBundle(const std::string& bundleId);
    // Loads from any folder, opening each vetted library with the opener. The folders from
    // trustedFrom down to the directory are judged (the directory alone when it is empty).
    static Report loadFromDirectory(const std::string& directory, const std::string& bundleId, const Opener& opener,
                                    const std::string& trustedFrom = {});
    // The folder under the device root that the loader reads.
    static std::string libraryDirectory();

    // Whether the property list (XML or binary) lists the bundle under Filter → Bundles. Fails
    // when the data is no filter at all (empty, unreadable, without a Filter dictionary); a valid
    // filter for other bundles answers false.
    static Result<bool> filterListsBundle(const std::string& plistData, const std::string& bundleId);
    // Fails, saying why, when the opened file is not to be trusted.
    static Result<void> checkTrusted(int fd);
    // Fails, saying why, when the library open at fd must not be loaded into this process (see
    // ElfImage). One that links the platform library must carry this build's abiTag() in its note.
    static Result<void> checkLoadable(int fd);
    // The identity of this build of the platform library: a digest of its headers, compiler and
    // build flags, which every tweak built against it carries as a note.
    static std::string abiTag();
    // The default opener: dlopen of the descriptor itself, so the checked file is the loaded one.
    // Each library is loaded as a new object exactly once; one already in the process is refused.
    static bool openLibrary(int fd, const std::string& path);
};
