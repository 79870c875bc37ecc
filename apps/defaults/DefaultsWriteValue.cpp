#include "DefaultsWriteValue.h"

#include "DefaultsValue.h"

#include "platform/foundation/NSArray.h"
#include "platform/foundation/NSDictionary.h"
#include "platform/foundation/NSString.h"

namespace {

using Words = std::vector<std::string>;

std::string refused(const std::string& text, const std::string& flag)
{
    return "Cannot read \"" + text + "\" as a value of type " + flag.substr(1) + ".";
}

// One value inside a collection, from words[at]: a bare string, or a type flag and its text.
std::shared_ptr<NSObject> element(const Words& words, std::size_t& at, const std::string& collection, std::string& error)
{
    const std::string& word = words[at];
    if (!DefaultsValue::isTypeFlag(word)) {
        if (word == "-array" || word == "-array-add" || word == "-dict" || word == "-dict-add") {
            error = collection + " holds strings and single typed values; " + word + " cannot be nested in it.";
            return nullptr;
        }
        ++at;
        return NSString::stringWithString(word);
    }
    if (at + 1 >= words.size()) {
        error = word + " in " + collection + " needs a value after it.";
        return nullptr;
    }
    auto value = DefaultsValue::parse(word, words[at + 1]);
    if (!value)
        error = refused(words[at + 1], word);
    at += 2;
    return value;
}

std::shared_ptr<NSObject> array(const Words& words, std::size_t at, const std::string& flag, std::string& error)
{
    std::vector<std::shared_ptr<NSObject>> objects;
    while (at < words.size()) {
        auto value = element(words, at, flag, error);
        if (!value)
            return nullptr;
        objects.push_back(std::move(value));
    }
    return NSArray::arrayWithArray(std::move(objects));
}

std::shared_ptr<NSObject> dictionary(const Words& words, std::size_t at, const std::string& flag, std::string& error)
{
    NSDictionary::Storage entries;
    while (at < words.size()) {
        // A key is always taken as written, even one that looks like a flag.
        const std::string& key = words[at++];
        if (at >= words.size()) {
            error = flag + " takes a key and a value for each entry; the key \"" + key + "\" has no value.";
            return nullptr;
        }
        auto value = element(words, at, flag, error);
        if (!value)
            return nullptr;
        entries[key] = std::move(value);
    }
    return NSDictionary::dictionaryWithDictionary(std::move(entries));
}

} // namespace

DefaultsWriteValue DefaultsWriteValue::parse(const Words& words, std::size_t first)
{
    DefaultsWriteValue result;
    if (first >= words.size()) {
        result.error = "write takes a domain, a key and a value.";
        return result;
    }
    const std::string& flag = words[first];
    if (flag == "-array" || flag == "-array-add") {
        result.action = flag == "-array" ? Action::Set : Action::AddToArray;
        result.value = array(words, first + 1, flag, result.error);
        return result;
    }
    if (flag == "-dict" || flag == "-dict-add") {
        result.action = flag == "-dict" ? Action::Set : Action::AddToDictionary;
        result.value = dictionary(words, first + 1, flag, result.error);
        return result;
    }
    if (DefaultsValue::isTypeFlag(flag)) {
        if (words.size() != first + 2) {
            result.error = flag + " takes exactly one value.";
            return result;
        }
        result.value = DefaultsValue::parse(flag, words[first + 1]);
        if (!result.value)
            result.error = refused(words[first + 1], flag);
        return result;
    }
    if (words.size() == first + 1) {
        // A bare value is a string, as `defaults` takes it, even one that starts with a minus.
        result.value = NSString::stringWithString(flag);
        return result;
    }
    result.error = flag.starts_with("-") ? "Unknown type " + flag + "." : "write takes one value, or a type flag and its values.";
    return result;
}
