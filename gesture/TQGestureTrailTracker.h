#pragma once
#include "gesture/TQGestureTrail.h"

#include <cstdint>
#include <optional>

// What the gesture lock view last asked to have redrawn of its trail, and a count of the changes
// to what the trail is drawn from that no touch handler made. A move that finds the trail
// standing as the last request left it redraws only what the move changes.
class TQGestureTrailTracker {
public:
    // Something the trail is drawn from changed (a style, the nodes, the content view, the
    // layout): the last request no longer stands.
    void geometryChanged() { ++changes_; }
    // The count of such changes, for the trail's inputs and to tell whether a callback made one.
    std::uint64_t changes() const { return changes_; }
    // Whether the trail as it now stands is what the last request covered.
    bool asRequested(const std::optional<TQGestureTrail::Inputs>& now) const { return requested_.covers(now); }
    const TQGestureTrail& requested() const { return requested_; }
    // The trail a new request covers; an unknown one when nothing can be said.
    void setRequested(const TQGestureTrail& trail) { requested_ = trail; }

private:
    std::uint64_t changes_ = 0;
    TQGestureTrail requested_;
};
