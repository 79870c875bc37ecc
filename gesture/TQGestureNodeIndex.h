#pragma once
#include "gesture/TQGestureGrid.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

class UIButton;

// The gesture lock view's nodes by index: which node a point falls on, and which nodes the
// pattern holds. A hit test asks the grid of the last layout pass while every node still has the
// frame that grid gave it, and walks the frames otherwise; whether they do is checked once after
// anything that may have moved a node, then trusted until the next such moment. The pattern keeps
// a flag per index; a selection set from outside is looked up in its array until it is cleared.
class TQGestureNodeIndex {
public:
    using Buttons = std::vector<std::shared_ptr<UIButton>>;

    // A new array of nodes: they sit wherever they were put until the next placement, and the
    // flags start over (a selection still held is looked up in its array until it is cleared).
    void nodesReplaced(std::size_t count, bool selectionHeld);
    // The layout pass placed the nodes on this grid.
    void placed(const TQGestureGrid& grid);
    const TQGestureGrid& grid() const { return grid_; }
    // Something may have moved a node: the frames are checked again at the next hit test.
    void recheck() { frames_ = Frames::Unchecked; }

    // Whether every node has the frame the grid gave it.
    bool framesAsPlaced(const Buttons& buttons);
    // The first node in index order whose frame holds the point; TQGestureGrid::kNone if none.
    std::size_t nodeAt(CGPoint point, const Buttons& buttons);

    // Whether the node at that index is part of the pattern, which is selected.
    bool isSelected(std::size_t index, const Buttons& buttons, const Buttons& selected) const;
    // The node at that index joined the pattern.
    void select(std::size_t index);
    // The pattern was set from outside: membership is looked up in its array until it is cleared.
    void selectionSetFromOutside() { indexed_ = false; }
    // The pattern is empty again.
    void clearSelection();

private:
    enum class Frames { Unchecked, AsPlaced, Moved };

    TQGestureGrid grid_;
    // Which array of nodes the grid placed, and which array is current.
    std::uint64_t placedGeneration_ = 0;
    std::uint64_t generation_ = 0;
    Frames frames_ = Frames::Unchecked;
    std::vector<std::uint8_t> selected_;
    std::vector<std::size_t> selectedIndices_;
    bool indexed_ = true;
};
