#include "platform/backends/FramePacing.h"

std::uint32_t FramePacing::remaining(std::uint32_t now, std::uint32_t since)
{
    // Unsigned: a clock that wrapped since still counts the time between.
    const std::uint32_t passed = now - since;
    return passed >= kFrameMilliseconds ? 0 : kFrameMilliseconds - passed;
}

std::optional<std::uint32_t> FramePacing::untilFrame(const Now& now) const
{
    if (now.wantsFrame)
        return remaining(now.milliseconds, lastShown_);
    if (followsFinger(now))
        return remaining(now.milliseconds, lastTick_);
    return std::nullopt;
}

bool FramePacing::readsInputByFrame(const Now& now, std::optional<double> secondsUntilWork) const
{
    const auto frame = untilFrame(now);
    if (!frame)
        return false;
    return !secondsUntilWork || *secondsUntilWork >= static_cast<double>(*frame) / 1000.0;
}

FramePacing::Step FramePacing::step(const Now& now)
{
    Step step = Step::Nothing;
    if (now.wantsFrame && remaining(now.milliseconds, lastShown_) == 0)
        step = Step::Show;
    else if (followsFinger(now) && remaining(now.milliseconds, lastTick_) == 0)
        step = Step::Tick;
    if (step != Step::Nothing) {
        followingFinger_ = movedSinceTick_ && now.touching;
        movedSinceTick_ = false;
        lastTick_ = now.milliseconds;
    }
    return step;
}
