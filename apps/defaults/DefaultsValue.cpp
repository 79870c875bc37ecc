#include "DefaultsValue.h"

#include "platform/foundation/NSNumber.h"
#include "platform/foundation/NSString.h"
#include "platform/foundation/PropertyListText.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <strings.h>

namespace {
bool isOneOf(const std::string& text, std::initializer_list<const char*> words)
{
    for (const char* word : words)
        if (strcasecmp(text.c_str(), word) == 0)
            return true;
    return false;
}
} // namespace

bool DefaultsValue::isTypeFlag(const std::string& flag)
{
    return flag == "-bool" || flag == "-boolean" || flag == "-float" || flag == "-int" || flag == "-integer" || flag == "-string";
}

std::shared_ptr<NSObject> DefaultsValue::parse(const std::string& typeFlag, const std::string& text)
{
    if (typeFlag == "-string")
        return NSString::stringWithString(text);
    if (typeFlag == "-bool" || typeFlag == "-boolean") {
        if (isOneOf(text, {"YES", "true", "1"}))
            return NSNumber::numberWithBool(true);
        if (isOneOf(text, {"NO", "false", "0"}))
            return NSNumber::numberWithBool(false);
        return nullptr;
    }
    const char* first = text.data();
    const char* last = text.data() + text.size();
    // A leading plus is accepted, as people write it; from_chars alone does not take it.
    if (first != last && *first == '+' && last - first > 1 && first[1] != '-')
        ++first;
    if (typeFlag == "-int" || typeFlag == "-integer") {
        std::int64_t value = 0;
        auto [end, error] = std::from_chars(first, last, value);
        if (error != std::errc() || end != last || first == last)
            return nullptr;
        return NSNumber::numberWithInteger(value);
    }
    if (typeFlag == "-float") {
        double value = 0;
        auto [end, error] = std::from_chars(first, last, value);
        if (error != std::errc() || end != last || first == last)
            return nullptr;
        std::int64_t whole = std::isfinite(value) && std::fabs(value) < 9.2e18 ? static_cast<std::int64_t>(value) : 0;
        return std::make_shared<NSNumber>(NSNumber::Kind::Real, whole, value);
    }
    return nullptr;
}

std::string DefaultsValue::format(const NSObject* value)
{
    if (auto* string = dynamic_cast<const NSString*>(value))
        return string->string();
    if (auto* number = dynamic_cast<const NSNumber*>(value))
        return PropertyListText::numberText(*number);
    return PropertyListText::describe(value);
}
