#include "platform/foundation/PlistTextCheck.h"

#include <cstdint>
#include <cstdio>

namespace {

constexpr char32_t kInvalid = 0xFFFFFFFF;

// The code point of the well-formed UTF-8 sequence at `at` (surrogates and overlong forms are
// not well-formed), advancing `at` past it; kInvalid, advancing one byte, otherwise.
char32_t decode(std::string_view text, std::size_t& at)
{
    const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(text[i]); };
    const std::uint8_t lead = byte(at);
    if (lead < 0x80) {
        ++at;
        return lead;
    }
    std::size_t length = 0;
    std::uint8_t low = 0x80, high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF)
        length = 2;
    else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    }
    if (length == 0 || text.size() - at < length || byte(at + 1) < low || byte(at + 1) > high) {
        ++at;
        return kInvalid;
    }
    char32_t code = lead & (0xFF >> (length + 1));
    for (std::size_t i = 1; i < length; ++i) {
        if (i > 1 && (byte(at + i) < 0x80 || byte(at + i) > 0xBF)) {
            ++at;
            return kInvalid;
        }
        code = (code << 6) | (byte(at + i) & 0x3F);
    }
    at += length;
    return code;
}

bool xmlCanHold(char32_t code)
{
    if (code < 0x20)
        return code == 0x09 || code == 0x0A || code == 0x0D;
    return code != 0xFFFE && code != 0xFFFF;
}

std::string name(const char* format, unsigned value)
{
    char text[32];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

} // namespace

PlistTextCheck::Fit PlistTextCheck::fit(std::string_view text, std::string* culprit)
{
    Fit result = Fit::Xml;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t start = at;
        const char32_t code = decode(text, at);
        if (code == kInvalid) {
            if (culprit)
                *culprit = name("the byte 0x%02X", static_cast<std::uint8_t>(text[start]));
            return Fit::Nowhere;
        }
        if (result == Fit::Xml && !xmlCanHold(code)) {
            result = Fit::BinaryOnly;
            if (culprit)
                *culprit = name("U+%04X", static_cast<unsigned>(code));
        }
    }
    return result;
}

std::string PlistTextCheck::repaired(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t start = at;
        const char32_t code = decode(text, at);
        if (code == kInvalid)
            out += "\xEF\xBF\xBD";
        else
            out.append(text.substr(start, at - start));
    }
    return out;
}
