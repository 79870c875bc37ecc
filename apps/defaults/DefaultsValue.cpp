#include "DefaultsValue.h"

#include "apps/common/NumberText.h"
#include "platform/foundation/NSNumber.h"
#include "platform/foundation/NSString.h"
#include "platform/foundation/PropertyListText.h"

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
    if (typeFlag == "-int" || typeFlag == "-integer") {
        const auto value = NumberText::integer(text);
        return value ? NSNumber::numberWithInteger(*value) : nullptr;
    }
    if (typeFlag == "-float") {
        // Only a finite number is a value: NaN and infinity have no place in a property list.
        const auto value = NumberText::real(text);
        return value ? NSNumber::numberWithDouble(*value) : nullptr;
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
