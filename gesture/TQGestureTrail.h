#pragma once
#include "platform/graphics/CGGeometry.h"

#include <cstddef>
#include <cstdint>
#include <optional>

class UIButton;

// The trail of a gesture lock view as one redraw request left it: its loose end (from the last
// selected node's centre to the finger) and everything that places the trail on the view. A move
// that finds the trail still standing as the last request left it needs to redraw only what it
// changes (damage); anything else redraws the whole view.
class TQGestureTrail {
public:
    // What the painted trail depends on, short of the segments between earlier nodes, which a
    // move never changes.
    struct Inputs {
        // Changes of the trail's inputs made outside the touch handlers, counted by the view.
        std::uint64_t changes = 0;
        std::size_t count = 0;
        const UIButton* last = nullptr;
        CGPoint lastCentre {};
        CGPoint tracked {};
        CGRect viewBounds {};
        CGRect contentFrame {};
        CGRect contentBounds {};
        CGAffineTransform contentTransform {};
        friend bool operator==(const Inputs&, const Inputs&) = default;
    };

    // A trail whose place on the view is not known: it covers nothing.
    TQGestureTrail() = default;
    // The loose end's two points in the view's own coordinates.
    TQGestureTrail(const Inputs& inputs, CGPoint lastCentreInView, CGPoint trackedInView);

    bool known() const { return known_; }
    // Whether the trail as it now stands is still what this request covered.
    bool covers(const std::optional<Inputs>& now) const { return known_ && now && inputs_ == *now; }
    // The part of the view to redraw when a move takes the trail from before to now: the old and
    // the new loose segment, and the segment to a node that joined, each as wide as the line.
    // None when only a whole redraw will do (a width or a position that is not finite).
    static std::optional<CGRect> damage(const TQGestureTrail& before, const TQGestureTrail& now, float lineWidth);

private:
    bool known_ = false;
    Inputs inputs_;
    CGPoint lastCentreInView_ {};
    CGPoint trackedInView_ {};
};
