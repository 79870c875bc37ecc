// Frames of the real lock screen at 390×844 points, 3× (1170×2532 pixels): the frame that
// follows one touch move with a nine-node trail drawn, a full re-compose, and one frame in the
// middle of each fade, each against the floors of one frame measured in the same process: a memset
// of the whole frame buffer, a memcpy of a background into it, and a blend of two full-screen
// sources into it (the per-pixel work of a fade); and, for context, the copy and the frame after a
// move when the caches have gone cold first, as they have for a real full frame and in a window.
#include "bench/BenchDevice.h"
#include "gesture/TQGestureLockView.h"
#include "lockscreen/TQViewController.h"
#include "platform/compositor/Renderer.h"
#include "platform/ui/UITouchInjector.h"

#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <time.h>
#include <vector>

namespace {

constexpr float kWidth = 390, kHeight = 844, kScale = 3;
constexpr std::size_t kFrameBytes = 1170u * 2532u * 4u;

// Every node, in an order that makes the trail cross the screen several times.
const std::vector<int> kTrail { 0, 4, 8, 5, 2, 1, 3, 6, 7 };

// The lock screen with the trail drawn and the finger still down on its last node.
void launchWithTrail(bool passcodeStored, float width = kWidth, float height = kHeight, float scale = kScale)
{
    auto& device = bench::BenchDevice::shared();
    device.resetScreen(width, height, scale);
    device.launchLockScreen(passcodeStored ? "0,1,2,5,8" : "");
    Renderer::shared().renderScreen();
    auto& finger = UITouchInjector::shared();
    for (std::size_t i = 0; i < kTrail.size(); ++i) {
        if (i == 0)
            finger.down(device.nodeCentre(kTrail[i]));
        else
            finger.move(device.nodeCentre(kTrail[i]));
    }
    Renderer::shared().renderScreen();
}

void BM_MemsetFrame(benchmark::State& state)
{
    std::vector<unsigned char> frame(kFrameBytes, 1);
    unsigned char value = 0;
    for (auto _ : state) {
        std::memset(frame.data(), value++, frame.size());
        benchmark::DoNotOptimize(frame.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(kFrameBytes));
}

// A background copied whole into the screen: what an opaque full frame cannot do without.
void BM_MemcpyFrame(benchmark::State& state)
{
    std::vector<unsigned char> background(kFrameBytes, 7), frame(kFrameBytes, 1);
    for (auto _ : state) {
        std::memcpy(frame.data(), background.data(), frame.size());
        benchmark::DoNotOptimize(frame.data());
        benchmark::ClobberMemory();
        background[0]++;
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(kFrameBytes));
}

// Pushes everything the process touched out of the caches by reading a buffer larger than any
// last-level cache (reading, so that nothing is left to write back during the copy), as a
// frame's own pictures and screen (some 25 MB at 3x) push out each other.
void evictCaches()
{
    static const std::vector<unsigned char> sweep(96u << 20, 1);
    unsigned sum = 0;
    for (std::size_t i = 0; i < sweep.size(); i += 64)
        sum += sweep[i];
    benchmark::DoNotOptimize(sum);
}

// The same copy with both buffers out of the cache first: what the copy costs a frame that has
// touched more than the cache holds, as a full frame has. Context for the full frame's figure.
void BM_MemcpyFrameCold(benchmark::State& state)
{
    std::vector<unsigned char> background(kFrameBytes, 7), frame(kFrameBytes, 1);
    for (auto _ : state) {
        state.PauseTiming();
        evictCaches();
        state.ResumeTiming();
        std::memcpy(frame.data(), background.data(), frame.size());
        benchmark::DoNotOptimize(frame.data());
        benchmark::ClobberMemory();
        background[0]++;
    }
}

// Two full-screen premultiplied ARGB32 sources mixed into the screen at one opacity, byte by byte
// in eight-bit fixed point (out = under × (1 − t) + over × t): the least a fade frame that composes
// two cached layers costs. A plain loop over bytes, left for the compiler to vectorise as it
// vectorises the rest.
void BM_BlendFrame(benchmark::State& state)
{
    std::vector<std::uint8_t> under(kFrameBytes), over(kFrameBytes), frame(kFrameBytes);
    for (std::size_t i = 0; i < kFrameBytes; ++i) {
        under[i] = static_cast<std::uint8_t>(i * 7);
        over[i] = static_cast<std::uint8_t>(i * 13 + 5);
    }
    std::uint16_t t = 100;
    for (auto _ : state) {
        const std::uint16_t keep = static_cast<std::uint16_t>(255 - t);
        const std::uint8_t* u = under.data();
        const std::uint8_t* o = over.data();
        std::uint8_t* out = frame.data();
        for (std::size_t i = 0; i < kFrameBytes; ++i)
            out[i] = static_cast<std::uint8_t>((u[i] * keep + o[i] * t + 255) >> 8);
        benchmark::DoNotOptimize(frame.data());
        benchmark::ClobberMemory();
        t = static_cast<std::uint16_t>(t % 254 + 1);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(kFrameBytes));
}

// Moves the finger through the three places in turn, a frame after each, and counts the pixels
// the frames changed; with idle, the process first sleeps 10 ms (untimed) before each move.
void wanderAndRender(benchmark::State& state, const std::array<CGPoint, 3>& wander, bool idle = false)
{
    std::size_t i = 0;
    std::int64_t pixels = 0;
    for (auto _ : state) {
        if (idle) {
            state.PauseTiming();
            const timespec sleep { 0, 10'000'000 };
            nanosleep(&sleep, nullptr);
            state.ResumeTiming();
        }
        UITouchInjector::shared().move(wander[i++ % wander.size()]);
        const PixelRect changed = Renderer::shared().renderScreen();
        pixels += static_cast<std::int64_t>(changed.width) * changed.height;
    }
    state.counters["pixelsPerFrame"] = benchmark::Counter(static_cast<double>(pixels) / static_cast<double>(state.iterations()));
}

// The lock with the trail drawn at one of the window's screens, and the places around its last
// node that bench/window-cpu.sh moves the finger through.
std::array<CGPoint, 3> windowWander(float width, float height, float scale)
{
    launchWithTrail(true, width, height, scale);
    const CGPoint end = bench::BenchDevice::shared().nodeCentre(kTrail.back());
    return { { { end.x + 15, end.y - 20 }, { end.x - 12, end.y - 25 }, { end.x + 3, end.y - 35 } } };
}

// The frame after a move at the window's screens (320×568 points at 2×, the default, and 390×844
// at 3×): what the window figures of scripts/bench.sh are measured against.
void BM_FrameAfterMoveWindowScreen(benchmark::State& state, float width, float height, float scale)
{
    wanderAndRender(state, windowWander(width, height, scale));
}

// The same frame after the process slept 10 ms, as the window's host sleeps between pointer
// moves (bench/window-cpu.sh moves every 10 ms): its caches have gone cold meanwhile. Context for
// the window's figure.
void BM_FrameAfterMoveAfterIdle(benchmark::State& state, float width, float height, float scale)
{
    wanderAndRender(state, windowWander(width, height, scale), true);
}

void BM_FrameAfterMove(benchmark::State& state)
{
    const bool stored = state.range(0) != 0;
    launchWithTrail(stored);
    auto& device = bench::BenchDevice::shared();
    const CGPoint end = device.nodeCentre(kTrail.back());
    if (Renderer::shared().frameBuffer().width() != 1170 || Renderer::shared().frameBuffer().height() != 2532) {
        state.SkipWithError("frame buffer is not 1170x2532");
        return;
    }
    // The finger wanders around the last node: the trail's loose end follows it, nothing new is selected.
    wanderAndRender(state, { { { end.x + 25, end.y - 30 }, { end.x - 20, end.y - 40 }, { end.x + 5, end.y - 55 } } });
}

void BM_FullFrame(benchmark::State& state)
{
    launchWithTrail(state.range(0) != 0);
    for (auto _ : state) {
        Renderer::shared().setNeedsFullRedraw();
        benchmark::DoNotOptimize(Renderer::shared().renderScreen());
    }
}

// One frame in the middle of a fade, composed whole as every frame of a fade is: the host (or the
// background) behind, the fading views over it.
void runFadeFrame(benchmark::State& state, const UIView& fading)
{
    const float alpha = fading.presentationAlpha();
    if (!(alpha > 0.2f && alpha < 0.8f)) {
        state.SkipWithError("not in the middle of the fade");
        return;
    }
    for (auto _ : state) {
        Renderer::shared().setNeedsFullRedraw();
        benchmark::DoNotOptimize(Renderer::shared().renderScreen());
    }
    state.counters["alpha"] = alpha;
}

// The lock window's 0.3 s fade in over the host, on the way back from the background.
void BM_FadeLockIn(benchmark::State& state)
{
    auto& device = bench::BenchDevice::shared();
    device.resetScreen(kWidth, kHeight, kScale);
    auto controller = device.launchLockScreen("0,1,2,5,8");
    Renderer::shared().renderScreen();
    device.unlockThenReturn();
    device.advance(0.15);
    Renderer::shared().renderScreen();
    runFadeFrame(state, *controller->view());
}

// The sixth wrong pattern: the grid fades out for 0.8 s; after the wait it fades in for 0.5 s.
void BM_FadeWait(benchmark::State& state, bool fadingIn)
{
    auto& device = bench::BenchDevice::shared();
    device.resetScreen(kWidth, kHeight, kScale);
    auto controller = device.launchLockScreen("0,1,2,5,8");
    Renderer::shared().renderScreen();
    for (int i = 0; i < 6; ++i)
        device.drawPattern({ 3, 4, 5 });
    device.advance(fadingIn ? 10.25 : 0.4);
    Renderer::shared().renderScreen();
    runFadeFrame(state, *controller->lockView());
}

void BM_FadeWaitOut(benchmark::State& state) { BM_FadeWait(state, false); }
void BM_FadeWaitIn(benchmark::State& state) { BM_FadeWait(state, true); }

} // namespace

BENCHMARK(BM_MemsetFrame)->Name("frame/memset_reference")->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MemcpyFrame)->Name("frame/memcpy_reference")->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MemcpyFrameCold)->Name("frame/memcpy_cold_reference")->Iterations(200)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BlendFrame)->Name("frame/blend_reference")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_FrameAfterMoveWindowScreen, small, 320.0f, 568.0f, 2.0f)->Name("window_reference/after_move_320x568@2")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_FrameAfterMoveWindowScreen, large, 390.0f, 844.0f, 3.0f)->Name("window_reference/after_move_390x844@3")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_FrameAfterMoveAfterIdle, small, 320.0f, 568.0f, 2.0f)->Name("window_reference/after_move_idle_320x568@2")->Iterations(300)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_FrameAfterMoveAfterIdle, large, 390.0f, 844.0f, 3.0f)->Name("window_reference/after_move_idle_390x844@3")->Iterations(300)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FrameAfterMove)->Name("frame/after_move")->ArgName("passcode")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FullFrame)->Name("frame/full")->ArgName("passcode")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FadeLockIn)->Name("frame/fade/lock_in")->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FadeWaitOut)->Name("frame/fade/wait_out")->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FadeWaitIn)->Name("frame/fade/wait_in")->Unit(benchmark::kMicrosecond);
