#pragma once
// When the window's loop shows a frame and when it reads input, on the loop's millisecond clock.
// A frame is shown at most once a frame time. While one is ahead (something to draw, or a finger
// moving over the picture), input is read once a frame, just before the frame is drawn, as a
// phone's display link hands touches to the app: the loop then wakes once a frame rather than
// once for every pointer event. It goes back to waking on input as soon as the finger rests or
// lifts. Internal to the SDL backend.
#include <cstdint>
#include <optional>

class FramePacing {
public:
    static constexpr std::uint32_t kFrameMilliseconds = 16;

    // What the loop knows now: whether it has something to draw and whether a touch is down.
    struct Now {
        std::uint32_t milliseconds = 0;
        bool wantsFrame = false;
        bool touching = false;
    };

    // A touch's motion was handled.
    void noteMove() { movedSinceTick_ = true; }
    // A frame (or the cover) was shown at that time.
    void noteShown(std::uint32_t milliseconds) { lastShown_ = milliseconds; }

    // Milliseconds until the next frame may be shown, or until the next tick while a moving
    // finger is followed; none while neither is ahead.
    std::optional<std::uint32_t> untilFrame(const Now& now) const;
    // Whether the loop sleeps until that frame without waking for input. Work falling due
    // before the frame keeps it waking on input, so nothing is handled out of the order it came.
    bool readsInputByFrame(const Now& now, std::optional<double> secondsUntilWork) const;

    // What the loop does after taking its events: show a frame, let a frame's time pass while
    // following the finger (a tick with nothing to draw), or nothing yet.
    enum class Step { Nothing, Show, Tick };
    // Answers the step and, for Show and Tick, counts it as this frame's tick.
    Step step(const Now& now);

private:
    bool followsFinger(const Now& now) const { return followingFinger_ && now.touching; }
    static std::uint32_t remaining(std::uint32_t now, std::uint32_t since);
    // The later of the last tick and the last frame shown.
    std::uint32_t lastFrame() const;

    std::uint32_t lastShown_ = 0;
    std::uint32_t lastTick_ = 0;
    bool movedSinceTick_ = false;
    // Whether the finger moved in the frame before the last tick: the loop goes on following it.
    bool followingFinger_ = false;
};
