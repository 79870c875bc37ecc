#pragma once
#include "platform/runtime/NSObject.h"

#include <optional>
#include <string>
#include <vector>

// The domains under the device root, and the search of `find` through them.
class DefaultsSearch {
public:
    // The domain names in the preferences folder, sorted (none when it does not exist yet);
    // nothing, with why, when the folder cannot be listed.
    static std::optional<std::vector<std::string>> domains(std::string& why);
    // Whether the word (compared without regard to ASCII case) is in the value's text: a
    // string, a number or date as `read` prints it, data as hex, or anything inside a collection,
    // dictionary keys included.
    static bool contains(const NSObject* value, const std::string& word);
    // Whether the text contains the word, without regard to ASCII case.
    static bool textContains(const std::string& text, const std::string& word);
};
