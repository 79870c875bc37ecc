#include "DefaultsValue.h"

#include "DateText.h"

#include "apps/common/NumberText.h"
#include "platform/foundation/NSArray.h"
#include "platform/foundation/NSData.h"
#include "platform/foundation/NSDate.h"
#include "platform/foundation/NSDictionary.h"
#include "platform/foundation/NSNumber.h"
#include "platform/foundation/NSString.h"
#include "platform/foundation/PropertyListText.h"

#include <cstdint>
#include <strings.h>
#include <vector>

namespace {
bool isOneOf(const std::string& text, std::initializer_list<const char*> words)
{
    for (const char* word : words)
        if (strcasecmp(text.c_str(), word) == 0)
            return true;
    return false;
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Hex digits, two a byte: "0102abcd", or the "<0102abcd 0e>" form `read` prints.
std::shared_ptr<NSData> dataFromHex(std::string text)
{
    if (text.size() >= 2 && text.front() == '<' && text.back() == '>') {
        text = text.substr(1, text.size() - 2);
        std::erase(text, ' ');
    }
    if (text.size() % 2 != 0)
        return nullptr;
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i < text.size(); i += 2) {
        const int high = hexDigit(text[i]);
        const int low = hexDigit(text[i + 1]);
        if (high < 0 || low < 0)
            return nullptr;
        bytes.push_back(static_cast<std::uint8_t>(high * 16 + low));
    }
    return std::make_shared<NSData>(std::move(bytes));
}
} // namespace

bool DefaultsValue::isTypeFlag(const std::string& flag)
{
    return flag == "-bool" || flag == "-boolean" || flag == "-float" || flag == "-int" || flag == "-integer" || flag == "-string"
        || flag == "-data" || flag == "-date";
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
    if (typeFlag == "-data")
        return dataFromHex(text);
    if (typeFlag == "-date") {
        const auto seconds = DateText::parse(text);
        return seconds ? NSDate::dateWithTimeIntervalSince1970(*seconds) : nullptr;
    }
    return nullptr;
}

std::string DefaultsValue::format(const NSObject* value)
{
    if (auto* string = dynamic_cast<const NSString*>(value))
        return string->string();
    if (auto* number = dynamic_cast<const NSNumber*>(value))
        return PropertyListText::numberText(*number);
    if (dynamic_cast<const NSDate*>(value))
        return value->description();
    return PropertyListText::describe(value);
}

std::string DefaultsValue::typeName(const NSObject* value)
{
    if (auto* number = dynamic_cast<const NSNumber*>(value)) {
        switch (number->kind()) {
        case NSNumber::Kind::Bool: return "boolean";
        case NSNumber::Kind::Integer: return "integer";
        case NSNumber::Kind::Real: return "float";
        }
    }
    if (dynamic_cast<const NSArray*>(value))
        return "array";
    if (dynamic_cast<const NSDictionary*>(value))
        return "dictionary";
    if (dynamic_cast<const NSData*>(value))
        return "data";
    if (dynamic_cast<const NSDate*>(value))
        return "date";
    return "string";
}
