#include "platform/compositor/CompositorState.h"

#include "platform/compositor/Renderer.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>

namespace {
std::atomic<CompositorState*> inForce { nullptr };
} // namespace

CompositorState::CompositorState() : renderer_(std::make_shared<Renderer>()) { }

CompositorState::~CompositorState() = default;

CompositorState& CompositorState::current()
{
    CompositorState* state = inForce.load();
    if (!state) {
        std::fputs("glyphward: the compositor was used with no Toolkit alive\n", stderr);
        std::abort();
    }
    return *state;
}

CompositorState* CompositorState::makeCurrent(CompositorState* state) { return inForce.exchange(state); }
