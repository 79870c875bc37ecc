#pragma once
#include <string_view>

// A look through an XML property list before the parser sees it. The parser reads deep nesting
// fine, but freeing what it built recurses once per level, and a file nested a few hundred
// thousand levels deep overflows the stack. Such a file must be refused before it is parsed;
// it is then treated as any other file that does not parse.
class XmlPlistCheck {
public:
    // True when some element of the text lies more than maxDepth elements deep (the plist
    // element itself is one). Comments, CDATA sections, processing instructions and the
    // document type are skipped; the scan never recurses.
    static bool nestsDeeperThan(std::string_view text, unsigned maxDepth);
};
