#pragma once
#include "platform/runtime/NSObject.h"

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

// The value part of `write DOMAIN KEY ...`: one word (a string), a type flag and its text, or a
// collection: -array V..., -array-add V..., -dict K V..., -dict-add K V.... Inside a collection a
// value is a string, or a type flag of a single value followed by its text ("-int 5").
class DefaultsWriteValue {
public:
    enum class Action {
        Set,            // store value under the key
        AddToArray,     // append value's elements to the array under the key (or start one)
        AddToDictionary // merge value's entries into the dictionary under the key (or start one)
    };

    // Reads words[first...]; on a mistake, value is null and error says what is wrong.
    static DefaultsWriteValue parse(const std::vector<std::string>& words, std::size_t first);

    Action action = Action::Set;
    std::shared_ptr<NSObject> value;
    std::string error;
};
