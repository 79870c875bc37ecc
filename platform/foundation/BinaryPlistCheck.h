#pragma once
#include <string_view>

// A look through a binary property list before the parser sees it. The parser aborts the whole
// process on a string or key whose stated length runs over a NUL byte, so such a file must be
// refused before it is parsed; it is then treated as any other file that does not parse.
class BinaryPlistCheck {
public:
    // True when the bytes are a binary plist with a string or key that holds a NUL character.
    static bool hasStringWithNul(std::string_view bytes);
};
