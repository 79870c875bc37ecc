#pragma once
#include <cstdint>
#include <limits>
#include <optional>
#include <string_view>

// Numbers read from outside the process (command lines, scripts): the whole text is one number
// or it is none. A leading plus is taken, as people write it; spaces, hex and locale forms are not.
class NumberText {
public:
    // A finite decimal number within [low, high], or nothing.
    static std::optional<double> real(std::string_view text, double low = std::numeric_limits<double>::lowest(),
        double high = std::numeric_limits<double>::max());
    // A whole number within [low, high], or nothing.
    static std::optional<std::int64_t> integer(std::string_view text, std::int64_t low = std::numeric_limits<std::int64_t>::min(),
        std::int64_t high = std::numeric_limits<std::int64_t>::max());
};
