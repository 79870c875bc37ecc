#include "platform/graphics/GraphicsState.h"

#include "platform/foundation/InForce.h"

GraphicsState::~GraphicsState()
{
    // Waited for outside the lock: a worker answers through futures, never through the registry.
    std::vector<std::future<void>> workers;
    {
        const std::lock_guard lock(prefetch_.mutex);
        prefetch_.ending->store(true);
        workers.swap(prefetch_.workers);
    }
    workers.clear();
}

GraphicsState& GraphicsState::current() { return InForce<GraphicsState>::get("the toolkit's graphics were"); }

GraphicsState* GraphicsState::makeCurrent(GraphicsState* state) { return InForce<GraphicsState>::exchange(state); }
