// A settings file with arbitrary content, read through the store as the lock reads it, then
// written back over: a file that does not parse must be set aside whole, never overwritten, and
// its domain then takes no write (its values are unknown); any other write reads back.
#include "fuzz/FuzzSupport.h"
#include "platform/foundation/NSString.h"
#include "platform/foundation/NSUserDefaults.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

namespace {

constexpr const char* kDomain = "org.glyphward.fuzz";
const char* const kKeys[] = { "PASS_CODE", "LOCK_IS_NEED_LOCK", "LOCK_INTERVAL", "LOCK_LOCK_OFF", "" };

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    namespace fs = std::filesystem;
    fuzz::privateRoot();
    fuzz::quietLogs();
    const std::string path = NSUserDefaults::pathForDomain(kDomain);
    std::error_code ignored;
    fs::remove(path + ".corrupt", ignored);
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }

    // A fresh store each time, as a new process would open the file.
    auto defaults = std::make_shared<NSUserDefaults>(kDomain, path);
    std::size_t seen = 0;
    for (const char* key : kKeys) {
        if (auto object = defaults->objectForKey(key))
            seen += object->description().size();
        seen += defaults->boolForKey(key) ? 1u : 0u;
        seen += defaults->floatForKey(key) != 0.0f ? 1u : 0u;
        seen += static_cast<std::size_t>(defaults->integerForKey(key) & 1);
        if (auto text = defaults->stringForKey(key))
            seen += text->size();
    }
    if (auto all = defaults->dictionaryRepresentation())
        seen += all->description().size();
    (void)seen;

    // A write merges over what is on disk; a value written must read back, here and from outside.
    defaults->setObject(NSString::stringWithString("0,4,8"), "PASS_CODE");
    const bool written = defaults->synchronize();
    if (fs::exists(path + ".corrupt")) {
        std::ifstream aside(path + ".corrupt", std::ios::binary);
        const std::string kept((std::istreambuf_iterator<char>(aside)), std::istreambuf_iterator<char>());
        if (written || kept != std::string(reinterpret_cast<const char*>(data), size))
            std::abort();
        return 0;
    }
    if (!written)
        std::abort();
    auto outside = std::make_shared<NSUserDefaults>(kDomain, path);
    if (outside->stringForKey("PASS_CODE") != std::optional<std::string>("0,4,8"))
        std::abort();
    return 0;
}
