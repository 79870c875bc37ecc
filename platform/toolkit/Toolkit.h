#pragma once
// The toolkit's whole state, owned: one per process (main builds it) or per test. It builds each
// layer's state bottom up (foundation: clock, file operations, run loop, notifications, settings;
// graphics: image caches, contexts; ui: screen, application, windows, touches, animations;
// compositor: the renderer), makes them the ones the familiar accessors (NSRunLoop::mainRunLoop,
// UIApplication::sharedApplication, Renderer::shared, ...) answer while it lives, and on its way
// out lets go of what its users left, then destroys the layers top down. A toolkit built while
// another lives stands in for it until it goes, then the other is in force again.
#include <memory>

class Clock;
class CompositorState;
class FileOps;
class FoundationState;
class GraphicsState;
class UIState;

class Toolkit {
public:
    struct Options {
        // Null: the real ones.
        std::shared_ptr<Clock> clock;
        std::shared_ptr<FileOps> fileOps;
    };

    Toolkit();
    explicit Toolkit(Options options);
    ~Toolkit();
    Toolkit(const Toolkit&) = delete;
    Toolkit& operator=(const Toolkit&) = delete;

    // The toolkit in force; with none alive it says so on stderr and aborts.
    static Toolkit& current();

    FoundationState& foundation() { return *foundation_; }
    GraphicsState& graphics() { return *graphics_; }
    UIState& ui() { return *ui_; }
    CompositorState& compositor() { return *compositor_; }

    // Lets go of everything the toolkit's users left in it (the touch, the keyboard, animations,
    // the application's delegate, windows, pending run-loop work, observers) while every layer
    // still stands, as it does on its way out; a fuzz target does it between inputs.
    void dropContents();

    // Whether the screen must be composed again soon: an animation is in flight or a view noted
    // a change since the last frame.
    bool frameDue() const;

private:
    std::shared_ptr<FoundationState> foundation_;
    std::shared_ptr<GraphicsState> graphics_;
    std::shared_ptr<UIState> ui_;
    std::shared_ptr<CompositorState> compositor_;

    Toolkit* previous_ = nullptr;
    FoundationState* previousFoundation_ = nullptr;
    GraphicsState* previousGraphics_ = nullptr;
    UIState* previousUI_ = nullptr;
    CompositorState* previousCompositor_ = nullptr;
};
