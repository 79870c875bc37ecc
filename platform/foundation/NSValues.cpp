#include "platform/foundation/NSNumber.h"
#include "platform/foundation/NSString.h"

#include <cmath>
#include <cstdio>
#include <limits>

bool NSString::isEqual(const NSObject* other) const
{
    auto* string = dynamic_cast<const NSString*>(other);
    return string && string->value_ == value_;
}

std::shared_ptr<NSNumber> NSNumber::numberWithBool(bool v) { return std::make_shared<NSNumber>(Kind::Bool, v ? 1 : 0, v ? 1.0 : 0.0); }
std::shared_ptr<NSNumber> NSNumber::numberWithInteger(std::int64_t v) { return std::make_shared<NSNumber>(Kind::Integer, v, static_cast<double>(v)); }
std::shared_ptr<NSNumber> NSNumber::numberWithDouble(double v) { return std::make_shared<NSNumber>(Kind::Real, wholePart(v), v); }

std::int64_t NSNumber::wholePart(double v)
{
    // A plain cast of NaN, an infinity or anything past 2^63 is undefined; saturate instead.
    if (std::isnan(v))
        return 0;
    constexpr double limit = 9223372036854775808.0; // 2^63, exactly representable
    if (v >= limit)
        return std::numeric_limits<std::int64_t>::max();
    if (v < -limit)
        return std::numeric_limits<std::int64_t>::min();
    return static_cast<std::int64_t>(v);
}

std::string NSNumber::description() const
{
    if (kind_ != Kind::Real)
        return std::to_string(integer_);
    if (!std::isfinite(real_))
        return std::isnan(real_) ? "nan" : (real_ > 0 ? "inf" : "-inf");
    char text[64];
    for (int precision = 1; precision <= 17; ++precision) {
        std::snprintf(text, sizeof text, "%.*g", precision, real_);
        double back = 0;
        if (std::sscanf(text, "%lf", &back) == 1 && back == real_) {
            // %g turns to an exponent once the digits run past the precision; whole numbers of up
            // to seventeen digits print in full instead, as Foundation prints them.
            int exponent = real_ == 0 ? 0 : static_cast<int>(std::floor(std::log10(std::fabs(real_))));
            if (exponent >= precision && exponent < 17)
                std::snprintf(text, sizeof text, "%.*g", exponent + 1, real_);
            return text;
        }
    }
    std::snprintf(text, sizeof text, "%.17g", real_);
    return text;
}

bool NSNumber::isEqual(const NSObject* other) const
{
    auto* number = dynamic_cast<const NSNumber*>(other);
    return number && number->doubleValue() == doubleValue();
}
