// The typed reads of the settings store: how booleans, numbers and strings convert, as
// Foundation converts them.
#include "platform/foundation/NSUserDefaults.h"

#include "platform/foundation/NSNumber.h"
#include "platform/foundation/NSString.h"
#include "platform/foundation/PropertyListText.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <limits>
#include <strings.h>

namespace {
bool sameIgnoringCase(const std::string& text, const char* word)
{
    return strcasecmp(text.c_str(), word) == 0;
}

std::size_t skipSpace(const std::string& text)
{
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n' || text[i] == '\r'))
        ++i;
    return i;
}

// The numeral at the start of the text (after blanks), as Foundation's floatValue reads it:
// sign, digits, fraction, exponent; trailing text is ignored. Nothing when there is no numeral.
std::optional<double> leadingNumber(const std::string& text)
{
    std::size_t i = skipSpace(text);
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    std::size_t start = i, digits = 0;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])))
        ++i, ++digits;
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])))
            ++i, ++digits;
    }
    if (digits == 0)
        return std::nullopt;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < text.size() && (text[j] == '+' || text[j] == '-'))
            ++j;
        if (j < text.size() && std::isdigit(static_cast<unsigned char>(text[j]))) {
            while (j < text.size() && std::isdigit(static_cast<unsigned char>(text[j])))
                ++j;
            i = j;
        }
    }
    double value = 0;
    auto [end, error] = std::from_chars(text.data() + start, text.data() + i, value);
    if (error == std::errc::result_out_of_range)
        value = text[start] == '0' || text[start] == '.' ? 0.0 : std::numeric_limits<double>::infinity();
    (void)end;
    return negative ? -value : value;
}

// The whole number at the start of the text, as integerValue reads it; saturates on overflow.
std::optional<long long> leadingInteger(const std::string& text)
{
    std::size_t i = skipSpace(text);
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    std::size_t start = i;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])))
        ++i;
    if (i == start)
        return std::nullopt;
    unsigned long long magnitude = 0;
    auto [end, error] = std::from_chars(text.data() + start, text.data() + i, magnitude);
    (void)end;
    constexpr auto most = static_cast<unsigned long long>(std::numeric_limits<long long>::max());
    if (error == std::errc::result_out_of_range || magnitude > most)
        return negative ? std::numeric_limits<long long>::min() : std::numeric_limits<long long>::max();
    return negative ? -static_cast<long long>(magnitude) : static_cast<long long>(magnitude);
}

NSInteger clampToInteger(double value)
{
    if (std::isnan(value))
        return 0;
    if (value >= static_cast<double>(std::numeric_limits<NSInteger>::max()))
        return std::numeric_limits<NSInteger>::max();
    if (value <= static_cast<double>(std::numeric_limits<NSInteger>::min()))
        return std::numeric_limits<NSInteger>::min();
    return static_cast<NSInteger>(value);
}

double numberFrom(const NSObject* value)
{
    if (auto* number = dynamic_cast<const NSNumber*>(value))
        return number->doubleValue();
    if (auto* string = dynamic_cast<const NSString*>(value))
        return leadingNumber(string->string()).value_or(0.0);
    return 0.0;
}

bool boolFrom(const NSObject* value)
{
    if (auto* number = dynamic_cast<const NSNumber*>(value))
        return number->kind() == NSNumber::Kind::Real ? number->doubleValue() != 0.0 : number->integerValue() != 0;
    if (auto* string = dynamic_cast<const NSString*>(value)) {
        const std::string& text = string->string();
        if (sameIgnoringCase(text, "YES") || sameIgnoringCase(text, "true"))
            return true;
        if (sameIgnoringCase(text, "NO") || sameIgnoringCase(text, "false"))
            return false;
        auto number = leadingNumber(text);
        return number && *number != 0.0;
    }
    return false;
}

float floatFrom(const NSObject* object)
{
    double value = numberFrom(object);
    // Beyond the float range the answer is an infinity rather than an undefined conversion.
    if (std::isfinite(value) && std::fabs(value) > std::numeric_limits<float>::max())
        return value > 0 ? std::numeric_limits<float>::infinity() : -std::numeric_limits<float>::infinity();
    return static_cast<float>(value);
}
} // namespace

bool NSUserDefaults::boolForKey(const std::string& key) const { return boolFrom(objectForKey(key).get()); }

float NSUserDefaults::floatForKey(const std::string& key) const { return floatFrom(objectForKey(key).get()); }

Result<bool> NSUserDefaults::readBool(const std::string& key) const
{
    Result<std::shared_ptr<NSObject>> read = readObject(key);
    if (!read.ok())
        return read.failure();
    return boolFrom(read.value().get());
}

Result<float> NSUserDefaults::readFloat(const std::string& key) const
{
    Result<std::shared_ptr<NSObject>> read = readObject(key);
    if (!read.ok())
        return read.failure();
    return floatFrom(read.value().get());
}

double NSUserDefaults::doubleForKey(const std::string& key) const { return numberFrom(objectForKey(key).get()); }

NSInteger NSUserDefaults::integerForKey(const std::string& key) const
{
    auto value = objectForKey(key);
    if (auto* number = dynamic_cast<const NSNumber*>(value.get())) {
        if (number->kind() == NSNumber::Kind::Real)
            return clampToInteger(number->doubleValue());
        return clampToInteger(static_cast<double>(number->integerValue()));
    }
    if (auto* string = dynamic_cast<const NSString*>(value.get()))
        return clampToInteger(static_cast<double>(leadingInteger(string->string()).value_or(0)));
    return 0;
}

std::optional<std::string> NSUserDefaults::stringForKey(const std::string& key) const
{
    auto value = objectForKey(key);
    if (auto* string = dynamic_cast<const NSString*>(value.get()))
        return string->string();
    if (auto* number = dynamic_cast<const NSNumber*>(value.get()))
        return PropertyListText::numberText(*number);
    return std::nullopt;
}
