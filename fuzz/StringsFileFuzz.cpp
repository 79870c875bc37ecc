// The .strings reader on arbitrary bytes: text, XML and binary plists, UTF-8 and UTF-16.
#include "fuzz/FuzzSupport.h"
#include "platform/foundation/StringsFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::toolkit();
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const StringsFile::Table table = StringsFile::parse(bytes);
    // Parsing is a pure function of the bytes.
    if (StringsFile::parse(bytes) != table)
        std::abort();
    const std::string text = StringsFile::decodeToUTF8(bytes);
    const StringsFile::Table fromText = StringsFile::parseText(text);
    std::size_t total = 0;
    for (const auto& [key, value] : fromText)
        total += key.size() + value.size();
    // Every entry was read out of the text, at most twice over (`"key";` is the key as its own value).
    if (total > 2 * text.size())
        std::abort();
    return 0;
}
