#include "platform/toolkit/Toolkit.h"

#include "platform/compositor/CompositorState.h"
#include "platform/compositor/Renderer.h"
#include "platform/foundation/FoundationState.h"
#include "platform/graphics/GraphicsState.h"
#include "platform/ui/UIState.h"
#include "platform/ui/UIViewAnimator.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>

namespace {
std::atomic<Toolkit*> inForce { nullptr };
} // namespace

Toolkit::Toolkit() : Toolkit(Options {}) { }

Toolkit::Toolkit(Options options)
{
    // Each layer is in force before the next is built: a layer's state may reach those below.
    foundation_ = std::make_shared<FoundationState>(std::move(options.clock), std::move(options.fileOps));
    previousFoundation_ = FoundationState::makeCurrent(foundation_.get());
    graphics_ = std::make_shared<GraphicsState>();
    previousGraphics_ = GraphicsState::makeCurrent(graphics_.get());
    ui_ = std::make_shared<UIState>();
    previousUI_ = UIState::makeCurrent(ui_.get());
    compositor_ = std::make_shared<CompositorState>();
    previousCompositor_ = CompositorState::makeCurrent(compositor_.get());
    previous_ = inForce.exchange(this);
}

Toolkit::~Toolkit()
{
    dropContents();

    inForce.store(previous_);
    compositor_.reset();
    CompositorState::makeCurrent(previousCompositor_);
    ui_.reset();
    UIState::makeCurrent(previousUI_);
    graphics_.reset();
    GraphicsState::makeCurrent(previousGraphics_);
    foundation_.reset();
    FoundationState::makeCurrent(previousFoundation_);
}

Toolkit& Toolkit::current()
{
    Toolkit* toolkit = inForce.load();
    if (!toolkit) {
        std::fputs("glyphward: no Toolkit alive\n", stderr);
        std::abort();
    }
    return *toolkit;
}

void Toolkit::dropContents()
{
    // Views first: whatever pending work and observers hold may reach any layer as it goes, and
    // dropping that may leave windows or animations again.
    ui_->dropContents();
    foundation_->dropPendingWork();
    ui_->dropContents();
}

bool Toolkit::frameDue() const
{
    return ui_->animator().hasAnimationsInFlight() || compositor_->renderer().hasNotedDamage();
}
