#include "platform/foundation/TextEncoding.h"

#include <cerrno>
#include <iconv.h>
#include <memory>

namespace {

struct Encoding {
    std::string_view start;
    const char* name;
    // Whether the start is a byte order mark, to be dropped, rather than the first characters.
    bool mark;
};

// UTF-32 before UTF-16: the little-endian marks begin alike. Without a mark, the encoding shows
// in how "<?" is written.
constexpr std::string_view kUtf32LeMark {"\xFF\xFE\0\0", 4};
constexpr std::string_view kUtf32BeMark {"\0\0\xFE\xFF", 4};
constexpr std::string_view kUtf32LeStart {"<\0\0\0?\0\0\0", 8};
constexpr std::string_view kUtf32BeStart {"\0\0\0<\0\0\0?", 8};
constexpr std::string_view kUtf16LeStart {"<\0?\0", 4};
constexpr std::string_view kUtf16BeStart {"\0<\0?", 4};
const Encoding kEncodings[] = {
    {kUtf32LeMark, "UTF-32LE", true},
    {kUtf32BeMark, "UTF-32BE", true},
    {"\xEF\xBB\xBF", "UTF-8", true},
    {"\xFF\xFE", "UTF-16LE", true},
    {"\xFE\xFF", "UTF-16BE", true},
    {kUtf32LeStart, "UTF-32LE", false},
    {kUtf32BeStart, "UTF-32BE", false},
    {kUtf16LeStart, "UTF-16LE", false},
    {kUtf16BeStart, "UTF-16BE", false},
};

// The XML declaration's encoding, if it names one, replaced by UTF-8: the text is UTF-8 now.
std::string withUtf8Declaration(std::string text)
{
    if (!text.starts_with("<?xml"))
        return text;
    const std::size_t end = text.find("?>");
    const std::size_t name = text.find("encoding", 5);
    if (end == std::string::npos || name == std::string::npos || name > end)
        return text;
    const std::size_t open = text.find_first_of("\"'", name);
    const std::size_t close = open < end ? text.find(text[open], open + 1) : std::string::npos;
    if (close == std::string::npos || close > end)
        return text;
    return text.replace(open + 1, close - open - 1, "UTF-8");
}

} // namespace

std::optional<std::string> TextEncoding::convert(std::string_view text, const char* from, const char* to)
{
    iconv_t handle = ::iconv_open(to, from);
    if (handle == reinterpret_cast<iconv_t>(-1))
        return std::nullopt;
    const std::unique_ptr<void, int (*)(iconv_t)> owner(handle, &::iconv_close);
    std::string out;
    char buffer[4096];
    char* in = const_cast<char*>(text.data());
    std::size_t inLeft = text.size();
    // A last call with no input flushes any shift state of the encoder.
    for (bool flushing = false;;) {
        char* at = buffer;
        std::size_t room = sizeof buffer;
        const std::size_t done = flushing ? ::iconv(handle, nullptr, nullptr, &at, &room) : ::iconv(handle, &in, &inLeft, &at, &room);
        out.append(buffer, static_cast<std::size_t>(at - buffer));
        if (done == static_cast<std::size_t>(-1)) {
            if (errno != E2BIG)
                return std::nullopt;
            continue;
        }
        if (flushing)
            return out;
        flushing = true;
    }
}

std::optional<std::string> TextEncoding::xmlAsUtf8(std::string_view bytes)
{
    for (const Encoding& encoding : kEncodings) {
        if (!bytes.starts_with(encoding.start))
            continue;
        std::string_view text = encoding.mark ? bytes.substr(encoding.start.size()) : bytes;
        std::optional<std::string> utf8 = std::string_view(encoding.name) == "UTF-8" ? std::optional(std::string(text))
                                                                                     : convert(text, encoding.name, "UTF-8");
        if (!utf8)
            return std::nullopt;
        return withUtf8Declaration(std::move(*utf8));
    }
    return std::string(bytes);
}
