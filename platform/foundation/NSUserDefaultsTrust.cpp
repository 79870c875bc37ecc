// The settings store's guard against folders other users could change: a preferences folder that
// someone else could swap (with a file holding a passcode of their choosing) is never read from or
// written to.
#include "platform/foundation/NSUserDefaults.h"

#include "platform/foundation/DeviceRoot.h"
#include "platform/foundation/FolderTrust.h"

std::optional<std::string> NSUserDefaults::untrustedFolder(int openedFolder) const
{
    // The folders from the device root down are judged; a store kept outside the root, its own
    // folder alone.
    const FolderTrust::Verdict verdict = FolderTrust::judge(DeviceRoot::path(), folder());
    if (verdict.refused())
        return "the folder " + verdict.describe();
    if (openedFolder < 0)
        return std::nullopt;
    // The folder open for the lock must be the one judged, not one put in its place meanwhile.
    struct stat judged {}, opened {};
    if (!verdict.trusted() || ::fstat(verdict.folder.get(), &judged) != 0 || ::fstat(openedFolder, &opened) != 0
        || judged.st_dev != opened.st_dev || judged.st_ino != opened.st_ino)
        return "the folder " + folder() + " changed while it was being opened";
    return std::nullopt;
}
