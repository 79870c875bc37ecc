#pragma once
// What changed on screen since the last frame. The whole screen can be marked outright (after a
// resize, or when the windows change order); everything else is found by walking the windows and
// comparing every visible view with how it was last shown: what moved, faded, appeared, vanished
// or asked to be redrawn is damaged where it was and where it is.
#include "platform/compositor/CompositorGeometry.h"

#include <cstdint>
#include <memory>
#include <vector>

class NSObject;
class UIView;
class UIWindow;

class DamageTracker {
public:
    // Makes the next frame re-compose the whole screen.
    void setNeedsFullRedraw() { fullRedraw_ = true; }
    // Whether anything is known to need composing (moves and fades are found only by collecting).
    bool hasNotedDamage() const;
    // Walks the windows, back to front, for the frame with this number: brings the drawing of the
    // views that draw up to date, and answers the screen pixels to compose.
    PixelRect collect(const std::vector<std::shared_ptr<UIWindow>>& windows, const compositor::PixelGrid& grid, std::uint64_t frame);

private:
    struct Shown {
        std::weak_ptr<const NSObject> view;
        CGRect screenRect;
    };
    // One collection's state, handed down the walk.
    struct Walk {
        const compositor::PixelGrid& grid;
        std::uint64_t frame;
        std::vector<Shown>& shown;
        PixelRect damage {};
        void note(CGRect screenRect) { damage = damage.united(grid.cover(screenRect)); }
    };
    // Answers the part of the screen the view and its children may paint on, in points.
    static CGRect collectChanges(const UIView& view, CGAffineTransform parentToScreen, float parentOpacity, bool ancestorChanged, Walk& walk);
    // Damages what a request to redraw changes: the changed pixels of a view that draws (redrawn
    // now), or the asked part of one that does not.
    static void noteRedraw(const UIView& view, CGAffineTransform toScreen, float opacity, Walk& walk);

    bool fullRedraw_ = true;
    std::vector<const UIWindow*> lastWindows_;
    // The views shown in the last frame, and the list for the next (kept only for its capacity).
    std::vector<Shown> shown_;
    std::vector<Shown> nextShown_;
};
