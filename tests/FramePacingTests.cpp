// The window loop's pacing on a clock of its own: frames at most once a frame time, and input
// read once a frame while a finger moves, back to waking on input when it rests or lifts.
#include "platform/backends/FramePacing.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace {

using Step = FramePacing::Step;
constexpr std::uint32_t frame = FramePacing::kFrameMilliseconds;

FramePacing::Now at(std::uint32_t ms, bool wantsFrame, bool touching) { return { ms, wantsFrame, touching }; }

// Runs one pass of the loop as the window's does: a Show step is a frame shown at that time.
Step pass(FramePacing& pacing, const FramePacing::Now& now)
{
    const Step step = pacing.step(now);
    if (step == Step::Show)
        pacing.noteShown(now.milliseconds);
    return step;
}

} // namespace

TEST(FramePacing, ShowsAtMostOnceAFrameTimeAndWaitsOnInputWithNothingAhead)
{
    FramePacing pacing;
    EXPECT_EQ(pacing.untilFrame(at(1000, false, false)), std::nullopt);
    EXPECT_FALSE(pacing.readsInputByFrame(at(1000, false, false), std::nullopt));

    EXPECT_EQ(pass(pacing, at(1000, true, false)), Step::Show);
    // Something new to draw 5 ms later waits for the frame time, and input is read with it.
    EXPECT_EQ(pass(pacing, at(1005, true, false)), Step::Nothing);
    EXPECT_EQ(pacing.untilFrame(at(1005, true, false)), frame - 5);
    EXPECT_TRUE(pacing.readsInputByFrame(at(1005, true, false), std::nullopt));
    EXPECT_EQ(pass(pacing, at(1000 + frame, true, false)), Step::Show);
    // Drawn and nothing more: the loop sleeps until input comes.
    EXPECT_EQ(pass(pacing, at(1000 + frame + 3, false, false)), Step::Nothing);
    EXPECT_EQ(pacing.untilFrame(at(1000 + frame + 3, false, false)), std::nullopt);
}

TEST(FramePacing, FollowsAMovingFingerByFrameUntilItRestsOrLifts)
{
    FramePacing pacing;
    // The finger moves: the frame it asks for is shown at once.
    pacing.noteMove();
    EXPECT_EQ(pass(pacing, at(2000, true, true)), Step::Show);
    // It moved in the frame before that tick, so the next frame's input is read at the tick,
    // though nothing is to be drawn yet.
    EXPECT_EQ(pacing.untilFrame(at(2004, false, true)), frame - 4);
    EXPECT_TRUE(pacing.readsInputByFrame(at(2004, false, true), std::nullopt));
    pacing.noteMove();
    EXPECT_EQ(pass(pacing, at(2000 + frame, true, true)), Step::Show);
    // Resting a frame long: a tick with nothing to show, then the loop waits on input again.
    EXPECT_EQ(pass(pacing, at(2000 + 2 * frame, false, true)), Step::Tick);
    EXPECT_EQ(pass(pacing, at(2000 + 3 * frame, false, true)), Step::Nothing);
    EXPECT_FALSE(pacing.readsInputByFrame(at(2000 + 3 * frame, false, true), std::nullopt));
    EXPECT_EQ(pacing.untilFrame(at(2000 + 3 * frame, false, true)), std::nullopt);

    // Moving again, then lifted: no ticks for a finger that is gone.
    pacing.noteMove();
    EXPECT_EQ(pass(pacing, at(3000, true, true)), Step::Show);
    EXPECT_FALSE(pacing.readsInputByFrame(at(3005, false, false), std::nullopt));
    EXPECT_EQ(pass(pacing, at(3000 + frame, false, false)), Step::Nothing);
}

TEST(FramePacing, AFrameDoneAfterItsTickPutsTheNextReadingOfInputWhenTheNextFrameMayBeShown)
{
    // A frame started at its tick and done 3 ms later: reading the finger's moves at the next
    // tick would find them a little before the frame may be shown, and wake the loop twice.
    FramePacing pacing;
    pacing.noteMove();
    EXPECT_EQ(pacing.step(at(4000, true, true)), Step::Show);
    pacing.noteShown(4003);
    EXPECT_EQ(pacing.untilFrame(at(4005, false, true)), frame - 2);
    pacing.noteMove();
    EXPECT_EQ(pacing.step(at(4000 + frame, true, true)), Step::Nothing);
    EXPECT_EQ(pacing.step(at(4003 + frame, true, true)), Step::Show);
}

TEST(FramePacing, WorkDueBeforeTheFrameKeepsTheLoopWakingOnInputAndTheClockMayWrap)
{
    FramePacing pacing;
    pacing.noteMove();
    EXPECT_EQ(pass(pacing, at(100, true, true)), Step::Show);
    // A timer 4 ms away, before the frame 12 ms away: input that comes first is handled first.
    EXPECT_FALSE(pacing.readsInputByFrame(at(104, true, true), 0.004));
    EXPECT_TRUE(pacing.readsInputByFrame(at(104, true, true), 0.012));
    EXPECT_TRUE(pacing.readsInputByFrame(at(104, true, true), 5.0));

    // Shown just before the millisecond clock wraps: the frame time still counts across it.
    const std::uint32_t last = std::numeric_limits<std::uint32_t>::max() - 5;
    FramePacing wrapping;
    EXPECT_EQ(pass(wrapping, at(last, true, false)), Step::Show);
    EXPECT_EQ(pass(wrapping, at(last + 10, true, false)), Step::Nothing);
    EXPECT_EQ(wrapping.untilFrame(at(last + 10, true, false)), frame - 10);
    EXPECT_EQ(pass(wrapping, at(last + frame, true, false)), Step::Show);
}
