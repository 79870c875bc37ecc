#pragma once
#include "platform/foundation/UniqueFd.h"

#include <string>

// Files written for the user where other users may share the folder (such as /tmp): the tour's
// pictures, a scenario's snapshots, a recording. Nothing is ever written through a link, into a
// file or folder of another user, or into a folder that is a link: another user could have
// planted one to have the user overwrite a file of theirs.
class SafeOutputFile {
public:
    // What becomes of a file already at the name: emptied and written anew, or kept, the open
    // refused ("exists").
    enum class Existing { Replace, Keep };

    // Opens a folder to write in. A missing one is made when create says so, 0700 whatever the
    // umask, with any missing folders above it. One that is a link, not a folder, or another
    // user's is refused; error says why.
    static UniqueFd openFolder(const std::string& path, bool create, std::string& error);
    // Opens a plain name in the folder for writing from empty: a new file (0600), a regular file
    // of the user's cut to nothing, or a FIFO of the user's (its reader is theirs too). A link,
    // any other kind of file and another user's file are refused; error says why. With Keep, only
    // a new file is made: any name already taken is refused.
    static UniqueFd openFile(int folder, const std::string& name, std::string& error, Existing existing = Existing::Replace);
    // The folder of path (made when missing if create says so), then the file in it.
    static UniqueFd open(const std::string& path, bool create, std::string& error, Existing existing = Existing::Replace);
};
