#pragma once
#include "platform/runtime/NSObject.h"

#include <cstdint>
#include <memory>

// A boxed number that remembers whether it was made from a boolean, an integer or a real.
class NSNumber final : public NSObject {
public:
    enum class Kind { Bool, Integer, Real };

    static std::shared_ptr<NSNumber> numberWithBool(bool v);
    static std::shared_ptr<NSNumber> numberWithInteger(std::int64_t v);
    static std::shared_ptr<NSNumber> numberWithDouble(double v);
    NSNumber(Kind kind, std::int64_t i, double d) : kind_(kind), integer_(i), real_(d) { }
    // A real as a whole number: cut toward zero, NaN as 0, beyond the range the nearest end.
    static std::int64_t wholePart(double v);

    GLYPHWARD_RUNTIME_CLASS(NSNumber, NSObject);
    // Booleans print as 1 or 0, integers in decimal, reals in the shortest form that reads back
    // the same, without an exponent while a whole number fits in seventeen digits ("20", "1e+20").
    std::string description() const override;
    bool isEqual(const NSObject* other) const override;

    Kind kind() const { return kind_; }
    bool boolValue() const { return kind_ == Kind::Real ? real_ != 0.0 : integer_ != 0; }
    std::int64_t integerValue() const { return kind_ == Kind::Real ? wholePart(real_) : integer_; }
    double doubleValue() const { return kind_ == Kind::Real ? real_ : static_cast<double>(integer_); }
    float floatValue() const { return static_cast<float>(doubleValue()); }

private:
    Kind kind_;
    std::int64_t integer_;
    double real_;
};
