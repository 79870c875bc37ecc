#pragma once
// What the compositor keeps for one toolkit: the renderer, with its frame buffer and damage.
#include <memory>

class Renderer;

class CompositorState {
public:
    CompositorState();
    ~CompositorState();
    CompositorState(const CompositorState&) = delete;
    CompositorState& operator=(const CompositorState&) = delete;

    // The state of the toolkit alive now; with none alive it says so on stderr and aborts.
    static CompositorState& current();
    // Makes this state the one in force (null: none) and answers the one it replaces.
    static CompositorState* makeCurrent(CompositorState* state);

    Renderer& renderer() { return *renderer_; }

private:
    std::shared_ptr<Renderer> renderer_;
};
