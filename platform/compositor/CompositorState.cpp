#include "platform/compositor/CompositorState.h"

#include "platform/foundation/InForce.h"

#include "platform/compositor/Renderer.h"

CompositorState::CompositorState() : renderer_(std::make_shared<Renderer>()) { }

CompositorState::~CompositorState() = default;

CompositorState& CompositorState::current() { return InForce<CompositorState>::get("the compositor was"); }

CompositorState* CompositorState::makeCurrent(CompositorState* state) { return InForce<CompositorState>::exchange(state); }
