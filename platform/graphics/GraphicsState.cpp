#include "platform/graphics/GraphicsState.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>

namespace {
std::atomic<GraphicsState*> inForce { nullptr };
} // namespace

GraphicsState::~GraphicsState()
{
    // Waited for outside the lock: a worker answers through futures, never through the registry.
    std::vector<std::future<void>> workers;
    {
        const std::lock_guard lock(prefetch_.mutex);
        workers.swap(prefetch_.workers);
    }
    workers.clear();
}

GraphicsState& GraphicsState::current()
{
    GraphicsState* state = inForce.load();
    if (!state) {
        std::fputs("glyphward: the toolkit's graphics were used with no Toolkit alive\n", stderr);
        std::abort();
    }
    return *state;
}

GraphicsState* GraphicsState::makeCurrent(GraphicsState* state) { return inForce.exchange(state); }
