#include "platform/foundation/NSDate.h"

#include "platform/foundation/Clock.h"

#include <cmath>
#include <ctime>

std::shared_ptr<NSDate> NSDate::date() { return std::make_shared<NSDate>(Clock::current().wallNow()); }

std::shared_ptr<NSDate> NSDate::dateWithTimeIntervalSince1970(double seconds) { return std::make_shared<NSDate>(seconds); }

std::string NSDate::description() const
{
    // Seconds are cut toward the past, so 0.9 s before a minute still prints the earlier minute.
    double whole = std::floor(seconds_);
    if (!std::isfinite(whole))
        whole = 0;
    // Beyond some thirty million years the cast to time_t could overflow and the calendar year
    // would not fit the broken-down time; such a date has no printable form.
    if (std::fabs(whole) > 1e15)
        return "(invalid date)";
    auto t = static_cast<std::time_t>(whole);
    std::tm utc {};
    if (!gmtime_r(&t, &utc))
        return "(invalid date)";
    char text[64];
    if (std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S +0000", &utc) == 0)
        return "(invalid date)";
    return text;
}

bool NSDate::isEqual(const NSObject* other) const
{
    auto* date = dynamic_cast<const NSDate*>(other);
    return date && date->seconds_ == seconds_;
}
