#pragma once
#include "platform/runtime/NSObject.h"

#include <memory>
#include <string>

// Turns a value given on the command line into the object to store, and stored objects back into
// the text `read` and `read-type` print.
class DefaultsValue {
public:
    // "-bool YES" and the like: the type flag of a single value and its text; null when the text
    // does not fit the type.
    static std::shared_ptr<NSObject> parse(const std::string& typeFlag, const std::string& text);
    // The flags of single values: -string, -int(eger), -float, -bool(ean), -data, -date.
    static bool isTypeFlag(const std::string& flag);
    // What `read DOMAIN KEY` prints for one value: strings raw, booleans as 1 or 0, numbers as
    // Foundation prints them, data as <hex>, dates in UTC, collections in the old-style property
    // list form.
    static std::string format(const NSObject* value);
    // What `read-type` names the value: "string", "integer", "float", "boolean", "array",
    // "dictionary", "data" or "date".
    static std::string typeName(const NSObject* value);
};
