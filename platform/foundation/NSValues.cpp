#include "platform/foundation/NSNumber.h"
#include "platform/foundation/NSString.h"

#include <cstdio>

bool NSString::isEqual(const NSObject* other) const
{
    auto* string = dynamic_cast<const NSString*>(other);
    return string && string->value_ == value_;
}

std::shared_ptr<NSNumber> NSNumber::numberWithBool(bool v) { return std::make_shared<NSNumber>(Kind::Bool, v ? 1 : 0, v ? 1.0 : 0.0); }
std::shared_ptr<NSNumber> NSNumber::numberWithInteger(std::int64_t v) { return std::make_shared<NSNumber>(Kind::Integer, v, static_cast<double>(v)); }
std::shared_ptr<NSNumber> NSNumber::numberWithDouble(double v) { return std::make_shared<NSNumber>(Kind::Real, static_cast<std::int64_t>(v), v); }

std::string NSNumber::description() const
{
    if (kind_ != Kind::Real)
        return std::to_string(integer_);
    char text[64];
    std::snprintf(text, sizeof text, "%.17g", real_);
    // Foundation prints the shortest form that reads back the same value.
    for (int precision = 1; precision <= 17; ++precision) {
        char shorter[64];
        std::snprintf(shorter, sizeof shorter, "%.*g", precision, real_);
        double back = 0;
        if (std::sscanf(shorter, "%lf", &back) == 1 && back == real_)
            return shorter;
    }
    return text;
}

bool NSNumber::isEqual(const NSObject* other) const
{
    auto* number = dynamic_cast<const NSNumber*>(other);
    return number && number->doubleValue() == doubleValue();
}
