#pragma once
#include "platform/runtime/NSObject.h"

#include <memory>
#include <string>

// Turns a `write` value given on the command line into the object to store, and stored objects
// back into the text `read` prints.
class DefaultsValue {
public:
    // "-bool YES" and the like: the type flag and its text; null when the text does not fit the type.
    static std::shared_ptr<NSObject> parse(const std::string& typeFlag, const std::string& text);
    static bool isTypeFlag(const std::string& flag);
    // What `read DOMAIN KEY` prints for one value: strings raw, booleans as 1 or 0, numbers as
    // Foundation prints them, collections in the old-style property list form.
    static std::string format(const NSObject* value);
};
