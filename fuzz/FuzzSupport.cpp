#include "fuzz/FuzzSupport.h"

#include "platform/foundation/DeviceRoot.h"
#include "platform/foundation/NSLog.h"

#include <cstdlib>
#include <filesystem>
#include <unistd.h>

namespace fuzz {

namespace fs = std::filesystem;

const std::string& privateRoot(bool withBundle)
{
    static const std::string root = [withBundle] {
        const fs::path staged = DeviceRoot::path();
        const fs::path base = fs::exists("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
        const fs::path dir = base / ("glyphward-fuzz-" + std::to_string(::getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir / "var/mobile/Library/Preferences");
        if (withBundle) {
            const fs::path bundle = "Library/Application Support/WeChat";
            fs::create_directories(dir / bundle);
            fs::copy(staged / bundle, dir / bundle, fs::copy_options::recursive);
        }
        DeviceRoot::setPath(dir.string());
        std::atexit([] {
            std::error_code ignored;
            fs::remove_all(DeviceRoot::path(), ignored);
        });
        return dir.string();
    }();
    return root;
}

void quietLogs() { NSLogSetStderrEnabled(false); }

} // namespace fuzz
