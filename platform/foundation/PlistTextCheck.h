#pragma once
#include <string>
#include <string_view>

// Which property list forms can hold a piece of text. XML 1.0 has no way to write most control
// characters (NUL among them) or U+FFFE and U+FFFF, even as character references, so other
// readers reject a file that holds them; the binary form holds any Unicode text. Text that is not
// well-formed UTF-8 has no form at all: the plist library would garble it.
class PlistTextCheck {
public:
    enum class Fit { Xml, BinaryOnly, Nowhere };

    // Where the text can be stored; for anything but Xml, culprit (when given) names the first
    // character or byte that keeps it out ("U+0001", "the byte 0xFF").
    static Fit fit(std::string_view text, std::string* culprit = nullptr);
    // The text with every byte that is not part of well-formed UTF-8 replaced by U+FFFD, so that
    // it fits the binary form at least.
    static std::string repaired(std::string_view text);
};
