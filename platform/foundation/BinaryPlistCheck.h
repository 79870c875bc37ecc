#pragma once
#include <cstdint>
#include <string>
#include <string_view>

// A look through a binary property list before the parser sees it. The parser cuts text at its
// first NUL (and aborts the whole process on a key whose UTF-16 text holds one), recurses once
// per level of nesting (a file nested tens of thousands of levels deep overflows the stack) and
// builds a fresh copy of a container at every reference to it (a few hundred bytes of arrays
// that hold the next one twice expand beyond any memory). NULs are stood in for before the
// parse; a file that nests or expands too far is refused, as any other that does not parse.
class BinaryPlistCheck {
public:
    // When the bytes are a binary plist whose text holds NULs, replaces every NUL of every
    // string and key by a control character that no text of the file holds, and answers that
    // character (1 to 31), to be turned back into NUL after the parse. 0 when no text holds a
    // NUL (the bytes are left alone), -1 when every such character is taken.
    static int standInForNuls(std::string& bytes);
    // True when the bytes are a binary plist whose top object, parsed, would nest deeper than
    // maxDepth levels (a lone value is one level), expand to more than maxObjects objects, or
    // hold itself.
    static bool expandsBeyond(std::string_view bytes, unsigned maxDepth, std::uint64_t maxObjects);
};
