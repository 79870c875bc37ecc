// One move of a finger on a gesture lock view: hit test, selection and the redraw request,
// on square grids of growing size with the same pitch, so only the node count changes.
#include "bench/BenchDevice.h"
#include "gesture/TQGestureLockView.h"
#include "platform/ui/UIScreen.h"
#include "platform/ui/UITouch.h"
#include "platform/ui/UIWindow.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

namespace {

constexpr float kPitch = 10.0f;
constexpr float kNode = 6.0f;
// Moves per timed gesture: enough to amortise the clock reads, few enough to keep the pattern short.
constexpr int kMovesPerGesture = 64;

struct Grid {
    std::shared_ptr<UIWindow> window;
    std::shared_ptr<TQGestureLockView> view;
    std::shared_ptr<UITouch> touch;
    std::vector<CGPoint> path;
};

Grid makeGrid(int side)
{
    const float extent = kPitch * static_cast<float>(side) - (kPitch - kNode);
    bench::BenchDevice::shared().resetScreen(extent, extent, 1.0f);
    Grid grid;
    grid.window = alloc<UIWindow>();
    grid.window->initWithFrame(CGRectMake(0, 0, extent, extent));
    grid.view = alloc<TQGestureLockView>();
    grid.view->initWithFrame(CGRectMake(0, 0, extent, extent));
    grid.view->setButtonSize(CGSizeMake(kNode, kNode));
    grid.view->setNumberOfGestureNodes(static_cast<NSUInteger>(side * side));
    grid.view->setGestureNodesPerRow(static_cast<NSUInteger>(side));
    grid.window->addSubview(grid.view);
    grid.window->makeKeyAndVisible();
    grid.window->layoutIfNeeded();

    grid.touch = std::make_shared<UITouch>();
    grid.touch->setWindow(grid.window);
    grid.touch->setView(grid.view);

    // A walk that alternates node centres with the empty space between nodes, spread over the
    // whole grid by a fixed stride, so hits land early, late and nowhere in index order.
    std::uint32_t step = 0;
    const auto cells = static_cast<std::uint32_t>(side * side);
    for (int i = 0; i < kMovesPerGesture; ++i) {
        step = (step + 7919u) % cells;
        const float x = static_cast<float>(step % static_cast<std::uint32_t>(side)) * kPitch;
        const float y = static_cast<float>(step / static_cast<std::uint32_t>(side)) * kPitch;
        const float offset = (i % 2 == 0) ? kNode / 2 : kNode + (kPitch - kNode) / 2;
        grid.path.push_back(CGPointMake(x + offset, y + offset));
    }
    return grid;
}

void BM_TouchMove(benchmark::State& state)
{
    const int side = static_cast<int>(state.range(0));
    Grid grid = makeGrid(side);
    const UITouchSet touches({ grid.touch });

    // Sanity: the grid is laid out at the pitch, so the walk really hits nodes.
    const auto& last = grid.view->buttons().back();
    if (std::fabs(last->frame().origin.x - kPitch * static_cast<float>(side - 1)) > 1.0f) {
        state.SkipWithError("grid not laid out at the expected pitch");
        return;
    }

    std::size_t selected = 0;
    for (auto _ : state) {
        grid.touch->setPhase(UITouchPhase::Began);
        grid.touch->setLocationInWindow(grid.path.front());
        grid.view->touchesBegan(touches, nullptr);
        grid.touch->setPhase(UITouchPhase::Moved);

        const auto start = std::chrono::steady_clock::now();
        for (const CGPoint& p : grid.path) {
            grid.touch->setLocationInWindow(p);
            grid.view->touchesMoved(touches, nullptr);
        }
        const auto stop = std::chrono::steady_clock::now();
        selected += grid.view->selectedButtons().size();

        grid.touch->setPhase(UITouchPhase::Ended);
        grid.view->touchesEnded(touches, nullptr);
        // One iteration is one gesture of kMovesPerGesture moves; bench.sh divides.
        state.SetIterationTime(std::chrono::duration<double>(stop - start).count());
    }
    state.counters["selectedPerGesture"] = benchmark::Counter(static_cast<double>(selected) / static_cast<double>(state.iterations()));
    grid.window.reset();
    bench::BenchDevice::shared().resetScreen(320, 568, 2);
}

} // namespace

BENCHMARK(BM_TouchMove)->Name("touch_move/grid")->Arg(3)->Arg(10)->Arg(100)->UseManualTime()->Unit(benchmark::kNanosecond);
