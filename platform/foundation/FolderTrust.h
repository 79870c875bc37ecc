#pragma once
#include "platform/foundation/UniqueFd.h"

#include <string>
#include <sys/stat.h>

// Whether a folder of the device root may be trusted with what the lock reads from it: the folder
// and every folder above it up to the root, the root included, must be a folder (not a link to
// one), owned by this user or root and writable by neither group nor others. A folder anyone else
// could change could be swapped for one holding their library or their passcode. The walk opens
// each folder inside the one above it without following links, so a link put in a folder's place
// is seen and never followed. Folders above the root are not judged: where the user keeps a root
// is theirs to choose.
class FolderTrust {
public:
    struct Verdict {
        enum class Kind { Trusted, Missing, Untrusted } kind = Kind::Missing;
        // The folder the verdict is about: the first missing or refused one on the way.
        std::string path;
        // Why it was refused ("is writable by group or others", ...); empty otherwise.
        std::string problem;
        // The folder itself, open (O_PATH: to look at and open names in, not to read), when it is trusted.
        UniqueFd folder;

        bool trusted() const { return kind == Kind::Trusted; }
        bool refused() const { return kind == Kind::Untrusted; }
        // "PATH PROBLEM", or "PATH does not exist", for a log line or a read failure.
        std::string describe() const;
    };

    // Judges folder from root down (folder and root may be the same). A folder that does not lie
    // under root is judged alone.
    static Verdict judge(const std::string& root, const std::string& folder);
    // Why a folder with this status is not to be trusted, or an empty string.
    static std::string untrustedReason(const struct stat& info);
};
