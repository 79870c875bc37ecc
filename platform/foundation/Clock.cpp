#include "platform/foundation/Clock.h"

#include "platform/foundation/FoundationState.h"

#include <chrono>

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

VirtualClock::VirtualClock(double epochSeconds) : epoch_(epochSeconds) { }

void VirtualClock::setMonotonicNow(double t)
{
    if (t > now_)
        now_ = t;
}
