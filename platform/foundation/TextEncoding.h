#pragma once
#include <optional>
#include <string>
#include <string_view>

// Text in other encodings, through glibc's iconv. Other writers of property lists put a byte
// order mark before UTF-8 XML, or write XML in UTF-16 or UTF-32; the plist parser reads only
// UTF-8 without a mark, so such text is turned into that first.
class TextEncoding {
public:
    // The text converted between two encodings iconv names; nothing when it does not convert
    // whole (a byte that is no character of `from`, or one `to` cannot hold).
    static std::optional<std::string> convert(std::string_view text, const char* from, const char* to);
    // XML property list text as UTF-8 without a byte order mark, its encoding declaration made
    // to say so: the bytes as they are when they are no such text (binary, or plain UTF-8),
    // nothing when they announce an encoding by their first bytes and do not convert.
    static std::optional<std::string> xmlAsUtf8(std::string_view bytes);
};
