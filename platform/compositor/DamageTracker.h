#pragma once
// What changed on screen since the last frame. The whole screen can be marked outright (after a
// resize, or when the windows change order); everything else is found in two steps. Collecting
// walks the windows and compares every visible view with how it was last shown: what moved,
// faded, appeared, vanished or asked to be redrawn is damaged where it was and where it is.
// Redrawing then runs drawRect for the views that draw and asked for it, and damages only the
// pixels their drawing changed.
#include "platform/compositor/CompositorGeometry.h"

#include <cstdint>
#include <memory>
#include <vector>

class UIView;
class UIWindow;
class ViewBackingStore;
class ViewRecords;

class DamageTracker {
public:
    // Makes the next frame re-compose the whole screen.
    void setNeedsFullRedraw() { fullRedraw_ = true; }
    // Whether anything is known to need composing (moves and fades are found only by collecting).
    bool hasNotedDamage() const;

    // The first step of the frame with this number: walks the windows, back to front, records
    // where each visible view is shown, damages what changed of it, and lists the views whose
    // drawing may need bringing up to date.
    void collect(const std::vector<std::shared_ptr<UIWindow>>& windows, const compositor::PixelGrid& grid, std::uint64_t frame,
        ViewRecords& records);
    // The second: brings the listed views' drawing up to date and damages what it changed. A
    // request made while drawing waits for the next frame.
    void redraw();
    // The screen pixels to compose, and the frame is done.
    PixelRect take();

    // Makes the pictures kept of faded views from earlier frames useless to the next frame (a view
    // was redrawn outside a screen frame, where no damage could follow it).
    void setPicturesStale() { staleRequested_ = true; }
    // Whether this frame's collection saw a change it cannot place inside any view's content (a
    // view gone, hidden or unplaceable): then no picture kept from the last frame is trusted.
    bool picturesStale() const { return picturesStale_; }

private:
    // A view that draws, as the walk found it.
    struct Drawing {
        std::shared_ptr<UIView> view;
        // Its record, which stays put until the records are next pruned.
        ViewBackingStore* store;
        CGAffineTransform toScreen;
        // The records of its superviews, nearest first: what its drawing changes changes their
        // pictures too.
        std::vector<ViewBackingStore*> ancestors;
    };
    // One collection's state, handed down the walk.
    struct Walk {
        const compositor::PixelGrid& grid;
        std::uint64_t frame;
        ViewRecords& records;
        std::vector<Drawing>& drawing;
        PixelRect& damage;
        // The records of the views above the one being collected, outermost first.
        std::vector<ViewBackingStore*> path;
        // Damages the screen where the rectangle lies and answers those pixels.
        PixelRect note(CGRect screenRect)
        {
            const PixelRect pixels = grid.cover(screenRect).intersected(grid.bounds);
            damage = damage.united(pixels);
            return pixels;
        }
    };
    // Answers the part of the screen the view and its children may paint on, in points; adds to
    // parentContent where the parent's picture changed because of the view.
    static CGRect collectChanges(const std::shared_ptr<UIView>& view, CGAffineTransform parentToScreen, float parentOpacity,
        bool ancestorChanged, Walk& walk, PixelRect& parentContent);
    // Damages what a request to redraw changes: the asked part of a view that does not draw, now
    // (answered, the view's content changed there); a view that draws is listed for the redraw
    // step. A view faded out entirely keeps its request until it shows.
    static PixelRect noteRedraw(const std::shared_ptr<UIView>& view, ViewBackingStore& store, CGAffineTransform toScreen, float opacity, Walk& walk);

    bool fullRedraw_ = true;
    bool staleRequested_ = false;
    bool picturesStale_ = true;
    std::uint64_t frame_ = 0;
    std::vector<const UIWindow*> lastWindows_;
    // The frame being made: its grid, its views that draw (kept for the capacity) and its damage.
    compositor::PixelGrid grid_ {};
    std::vector<Drawing> drawing_;
    PixelRect damage_ {};
};
