#include "platform/foundation/Clock.h"

#include <chrono>

namespace {
std::shared_ptr<Clock>& slot()
{
    static std::shared_ptr<Clock> clock = std::make_shared<RealClock>();
    return clock;
}
} // namespace

Clock& Clock::current() { return *slot(); }

void Clock::setCurrent(std::shared_ptr<Clock> clock) { slot() = clock ? std::move(clock) : std::make_shared<RealClock>(); }

double RealClock::monotonicNow() const
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

double RealClock::wallNow() const
{
    return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
}

VirtualClock::VirtualClock(double epochSeconds) : epoch_(epochSeconds) { }

void VirtualClock::setMonotonicNow(double t)
{
    if (t > now_)
        now_ = t;
}
