#include "fuzz/FuzzSupport.h"

#include "platform/foundation/DeviceRoot.h"
#include "platform/foundation/NSLog.h"
#include "platform/toolkit/Toolkit.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <unistd.h>

namespace fuzz {

namespace fs = std::filesystem;

Toolkit& toolkit()
{
    static Toolkit instance;
    return instance;
}

const std::string& privateRoot(bool withBundle)
{
    static const std::string root = [withBundle] {
        // Built before the clean-up below is registered, so that it is still there when that runs.
        toolkit();
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

void quietLogs()
{
    toolkit();
    NSLogSetStderrEnabled(false);
}

CommandLine::CommandLine(const char* program, const std::uint8_t* data, std::size_t size)
{
    words_.emplace_back(program);
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = std::min(text.find('\0', start), text.size());
        words_.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    for (const std::string& word : words_)
        pointers_.push_back(word.c_str());
    // argv ends in a null pointer, as the kernel passes it.
    pointers_.push_back(nullptr);
}

} // namespace fuzz
