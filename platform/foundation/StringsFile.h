#pragma once
#include <map>
#include <memory>
#include <string>
#include <string_view>

// The contents of a .strings table: an XML or binary property-list dictionary of strings, or
// the classic text form `"key" = "value";` with comments and escapes, in UTF-8 or UTF-16 (with
// a byte-order mark). Parsing never fails outright: a malformed text file yields the entries
// read before the fault, a plist that does not parse or is no dictionary yields none.
class StringsFile {
public:
    using Table = std::map<std::string, std::string>;

    // Parses the bytes of a file in any of the forms above.
    static Table parse(std::string_view bytes);
    // Parses the text form from UTF-8.
    static Table parseText(std::string_view text);
    // UTF-8 for UTF-8 (a byte-order mark dropped) or UTF-16 (byte-order mark, or a NUL byte
    // beside the first character); unpaired surrogates become U+FFFD.
    static std::string decodeToUTF8(std::string_view bytes);

    // The parsed table of the file, cached by path and last change in the toolkit in force; null
    // when the file is missing, unreadable or not a regular file.
    static std::shared_ptr<const Table> load(const std::string& path);
};
