#pragma once
#include "platform/graphics/CGGeometry.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// Where the nodes of a gesture lock view go, and which of them a point falls on: a value made
// from the node count, the nodes per row, the node size and the content view's size.
//
// Nodes are placed row by row from the top-left, spread edge to edge with equal gaps, positions
// rounded down to whole points and sizes left as they are. Where that arithmetic gives no answer:
// - a single column (or a single row) has no gap to spread and is centred on that axis, and 0
//   nodes per row lays out as one column;
// - on an axis where the insets leave no room, every node sits at 0.
class TQGestureGrid {
public:
    struct Input {
        std::uint32_t count = 0;
        std::uint32_t perRow = 0;
        CGSize node {};
        // The content view's bounds size.
        CGSize content {};
        // Whether the insets are larger than the bounds on that axis.
        bool noRoomAcross = false;
        bool noRoomDown = false;
    };
    // nodeAt's answers besides an index: no node holds the point, or the cells cannot tell.
    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);
    static constexpr std::size_t kUnknown = static_cast<std::size_t>(-2);

    // A grid of no nodes.
    TQGestureGrid() = default;
    explicit TQGestureGrid(const Input& input);

    std::size_t count() const { return count_; }
    // Whether nodeAt can answer from the cells: some nodes, finite sizes, positions in order.
    bool searchable() const { return searchable_; }
    // The frame of node index (below count), in content-view coordinates.
    CGRect frameAt(std::size_t index) const { return CGRectMake(columnX_[index % perRow_], rowY_[index / perRow_], node_.width, node_.height); }
    // The first node in index order whose frame holds the point, half-open like CGRectContainsPoint,
    // so the lowest index wins where frames overlap; kNone when none does. Only the nodes of the
    // columns and rows whose span holds the point are looked at, so the cost does not grow with
    // the grid; kUnknown when that cannot be done (positions not finite and in order, or a point
    // in the span of too many of them), and the frames must be walked instead.
    std::size_t nodeAt(CGPoint point) const;

private:
    std::vector<float> columnX_;
    std::vector<float> rowY_;
    CGSize node_ {};
    std::uint32_t perRow_ = 1;
    std::size_t count_ = 0;
    bool searchable_ = false;
};
