#include "DateText.h"

#include <chrono>

namespace {

// Reads exactly `count` digits at `at`, moving past them.
bool digits(std::string_view text, std::size_t& at, std::size_t count, int& value)
{
    if (text.size() < at + count)
        return false;
    value = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const char c = text[at + i];
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + (c - '0');
    }
    at += count;
    return true;
}

bool literal(std::string_view text, std::size_t& at, char c)
{
    if (at >= text.size() || text[at] != c)
        return false;
    ++at;
    return true;
}

// The zone at the end of the text as seconds east of UTC: Z, +hh:mm or +hhmm (or minus).
std::optional<int> zoneOffset(std::string_view text, std::size_t at)
{
    if (text.substr(at) == "Z")
        return 0;
    if (at >= text.size() || (text[at] != '+' && text[at] != '-'))
        return std::nullopt;
    const int sign = text[at] == '-' ? -1 : 1;
    ++at;
    int hours = 0;
    int minutes = 0;
    if (!digits(text, at, 2, hours))
        return std::nullopt;
    literal(text, at, ':');
    if (!digits(text, at, 2, minutes) || at != text.size() || hours > 23 || minutes > 59)
        return std::nullopt;
    return sign * (hours * 3600 + minutes * 60);
}

} // namespace

std::optional<double> DateText::parse(std::string_view text)
{
    std::size_t at = 0;
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    if (!digits(text, at, 4, year) || !literal(text, at, '-') || !digits(text, at, 2, month) || !literal(text, at, '-')
        || !digits(text, at, 2, day))
        return std::nullopt;
    if (!literal(text, at, 'T') && !literal(text, at, ' '))
        return std::nullopt;
    if (!digits(text, at, 2, hour) || !literal(text, at, ':') || !digits(text, at, 2, minute) || !literal(text, at, ':')
        || !digits(text, at, 2, second))
        return std::nullopt;
    double fraction = 0;
    if (literal(text, at, '.')) {
        double scale = 0.1;
        const std::size_t first = at;
        while (at < text.size() && text[at] >= '0' && text[at] <= '9') {
            fraction += (text[at] - '0') * scale;
            scale /= 10;
            ++at;
        }
        if (at == first)
            return std::nullopt;
    }
    literal(text, at, ' ');
    const auto offset = zoneOffset(text, at);
    const std::chrono::year_month_day date{std::chrono::year{year}, std::chrono::month{static_cast<unsigned>(month)},
                                           std::chrono::day{static_cast<unsigned>(day)}};
    if (!offset || !date.ok() || hour > 23 || minute > 59 || second > 59)
        return std::nullopt;
    const auto days = std::chrono::sys_days(date).time_since_epoch().count();
    const double seconds = static_cast<double>(days) * 86400.0 + hour * 3600 + minute * 60 + second - *offset;
    return seconds + fraction;
}
