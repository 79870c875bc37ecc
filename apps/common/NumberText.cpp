#include "apps/common/NumberText.h"

#include <charconv>
#include <cmath>

namespace {
// from_chars takes a minus but not a plus; "+-1" stays wrong.
const char* skipPlus(const char* first, const char* last)
{
    return last - first > 1 && *first == '+' && first[1] != '-' ? first + 1 : first;
}
} // namespace

std::optional<double> NumberText::real(std::string_view text, double low, double high)
{
    const char* last = text.data() + text.size();
    const char* first = skipPlus(text.data(), last);
    if (first == last)
        return std::nullopt;
    double value = 0;
    const auto [end, error] = std::from_chars(first, last, value);
    if (error != std::errc() || end != last || !std::isfinite(value) || value < low || value > high)
        return std::nullopt;
    return value;
}

std::optional<std::int64_t> NumberText::integer(std::string_view text, std::int64_t low, std::int64_t high)
{
    const char* last = text.data() + text.size();
    const char* first = skipPlus(text.data(), last);
    if (first == last)
        return std::nullopt;
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(first, last, value);
    if (error != std::errc() || end != last || value < low || value > high)
        return std::nullopt;
    return value;
}
