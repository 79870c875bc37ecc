#pragma once
#include <cstdint>
#include <string_view>

// A look through a binary property list before the parser sees it. The parser aborts the whole
// process on a string or key whose stated length runs over a NUL byte, recurses once per level
// of nesting (a file nested tens of thousands of levels deep overflows the stack) and builds a
// fresh copy of a container at every reference to it (a few hundred bytes of arrays that hold
// the next one twice expand beyond any memory). Such a file must be refused before it is
// parsed; it is then treated as any other file that does not parse.
class BinaryPlistCheck {
public:
    // True when the bytes are a binary plist with a string or key that holds a NUL character.
    static bool hasStringWithNul(std::string_view bytes);
    // True when the bytes are a binary plist whose top object, parsed, would nest deeper than
    // maxDepth levels (a lone value is one level), expand to more than maxObjects objects, or
    // hold itself.
    static bool expandsBeyond(std::string_view bytes, unsigned maxDepth, std::uint64_t maxObjects);
};
