#pragma once
#include <optional>
#include <string_view>

// Dates given on the command line, in ISO 8601 with a zone: 2026-12-08T10:00:00Z,
// 2026-12-08T11:00:00+01:00 (or +0100), fractions of a second allowed. A space may stand for the
// T and may come before the zone, so the form `read` prints ("2026-12-08 10:00:00 +0000") is
// taken back too. A time without a zone is refused: it would mean whatever the local zone is.
class DateText {
public:
    // Seconds since 1970-01-01 00:00:00 UTC, or nothing when the text is no such date.
    static std::optional<double> parse(std::string_view text);
};
