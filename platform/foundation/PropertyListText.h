#pragma once
#include <string>

class NSObject;

// The old-style property list text that Foundation prints for collections: what `defaults read`
// shows and what %@ prints for an array or a dictionary.
class PropertyListText {
public:
    // The object as text at the given nesting depth (four spaces a level); strings are quoted
    // unless they are plain letters and digits, as inside a printed collection.
    static std::string describe(const NSObject* object, int depth = 0);
    // The text quoted and escaped when it is not plain letters and digits, else unchanged.
    static std::string quotedIfNeeded(const std::string& text);
};
