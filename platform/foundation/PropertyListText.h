#pragma once
#include <string>

class NSNumber;
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
    // A number as Foundation prints it: booleans 1 or 0, integers in decimal, reals in the
    // shortest form that reads back the same, without an exponent while it fits ("20", "1.5", "1e+20").
    static std::string numberText(const NSNumber& number);
};
