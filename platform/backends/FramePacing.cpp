#include "platform/backends/FramePacing.h"

std::uint32_t FramePacing::remaining(std::uint32_t now, std::uint32_t since)
{
    // Unsigned: a clock that wrapped since still counts the time between.
    const std::uint32_t passed = now - since;
    return passed >= kFrameMilliseconds ? 0 : kFrameMilliseconds - passed;
}

std::uint32_t FramePacing::lastFrame() const
{
    // A frame is counted as shown when it is done, after its tick: the next tick is a frame time
    // after that, so the finger's input is read when the frame may be shown, not a little before.
    return lastTick_ - lastShown_ < 0x80000000u ? lastTick_ : lastShown_;
}

std::optional<std::uint32_t> FramePacing::untilFrame(const Now& now) const
{
    if (now.wantsFrame)
        return remaining(now.milliseconds, lastShown_);
    if (followsFinger(now))
        return remaining(now.milliseconds, lastFrame());
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
    else if (followsFinger(now) && remaining(now.milliseconds, lastFrame()) == 0)
        step = Step::Tick;
    if (step != Step::Nothing) {
        followingFinger_ = movedSinceTick_ && now.touching;
        movedSinceTick_ = false;
        lastTick_ = now.milliseconds;
    }
    return step;
}
