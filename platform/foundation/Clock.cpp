#include "platform/foundation/Clock.h"

#include "platform/foundation/FoundationState.h"

#include <chrono>
#include <ctime>

Clock& Clock::current() { return FoundationState::current().clock(); }

void Clock::setCurrent(std::shared_ptr<Clock> clock) { FoundationState::current().setClock(std::move(clock)); }

double RealClock::monotonicNow() const
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

double RealClock::wallNow() const
{
    return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
}

double RealClock::bootNow() const
{
    timespec ts {};
    // CLOCK_BOOTTIME cannot fail on the kernels we run on; should it, the steady clock is the
    // next best reading that the user cannot set.
    if (clock_gettime(CLOCK_BOOTTIME, &ts) != 0)
        return monotonicNow();
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

VirtualClock::VirtualClock(double epochSeconds) : epoch_(epochSeconds) { }

void VirtualClock::setMonotonicNow(double t)
{
    if (t > now_)
        now_ = t;
}
