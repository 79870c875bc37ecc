#include "gesture/TQGestureGrid.h"

#include <cmath>

namespace {

// The gap between neighbours when count nodes span the extent; none for a lone one.
float gapBetween(std::uint32_t count, float nodeExtent, float extent)
{
    if (count < 2)
        return 0.0f;
    return (extent - nodeExtent * static_cast<float>(count)) / static_cast<float>(count - 1u);
}

// Where a node starts along one axis of the grid.
float axisPosition(std::uint32_t index, std::uint32_t count, float gap, float nodeExtent, float extent, bool noRoom)
{
    if (noRoom)
        return 0.0f;
    if (count == 1)
        return std::floor((extent - nodeExtent) / 2.0f);
    return std::floor(static_cast<float>(index) * (gap + nodeExtent));
}

bool ascendingAndFinite(const std::vector<float>& positions)
{
    for (std::size_t i = 0; i < positions.size(); ++i) {
        if (!std::isfinite(positions[i]) || (i > 0 && !(positions[i - 1] <= positions[i])))
            return false;
    }
    return true;
}

// How many neighbours a point may have to be checked against on one axis before walking every
// node is cheaper than computing its cell.
constexpr std::size_t kMaxCellSpan = 8;

// The cells along one axis whose span [position, position + extent) holds v, as first..last
// (first > last when none does), or false when too many of them do. Positions are in order.
bool cellSpan(const std::vector<float>& positions, float extent, float v, std::size_t& first, std::size_t& last)
{
    first = 1;
    last = 0;
    const std::size_t n = positions.size();
    if (n == 0 || !(v >= positions[0]))
        return true;
    // A guess from the mean pitch, then a short walk to the last position at or before v.
    const float pitch = n > 1 ? (positions[n - 1] - positions[0]) / static_cast<float>(n - 1) : 0.0f;
    std::size_t cell = 0;
    if (pitch > 0.0f) {
        const float guess = (v - positions[0]) / pitch;
        cell = guess >= static_cast<float>(n - 1) ? n - 1 : static_cast<std::size_t>(guess);
    }
    std::size_t steps = 0;
    while (cell + 1 < n && positions[cell + 1] <= v) {
        ++cell;
        if (++steps > kMaxCellSpan)
            return false;
    }
    while (positions[cell] > v) {
        --cell;
        if (++steps > kMaxCellSpan)
            return false;
    }
    // The same sum as the frame's own containment test; earlier cells reach no further.
    if (!(v < positions[cell] + extent))
        return true;
    first = last = cell;
    while (first > 0 && v < positions[first - 1] + extent) {
        --first;
        if (last - first > kMaxCellSpan)
            return false;
    }
    return true;
}

} // namespace

TQGestureGrid::TQGestureGrid(const Input& in)
    : node_(in.node)
    , perRow_(in.perRow == 0 ? 1u : in.perRow)
    , count_(in.count)
{
    // The row count is taken through a float on purpose, as the grid has always been laid out.
    const auto rows = static_cast<std::uint32_t>(std::ceil(static_cast<float>(static_cast<double>(in.count) / static_cast<double>(perRow_))));
    const float hGap = gapBetween(perRow_, node_.width, in.content.width);
    const float vGap = gapBetween(rows, node_.height, in.content.height);
    if (count_ == 0)
        return;

    for (std::uint32_t column = 0; column < perRow_ && column < in.count; ++column)
        columnX_.push_back(axisPosition(column, perRow_, hGap, node_.width, in.content.width, in.noRoomAcross));
    const std::uint64_t rowsInUse = (std::uint64_t { in.count } + perRow_ - 1u) / perRow_;
    for (std::uint32_t row = 0; row < rowsInUse; ++row)
        rowY_.push_back(axisPosition(row, rows, vGap, node_.height, in.content.height, in.noRoomDown));
    searchable_ = std::isfinite(node_.width) && std::isfinite(node_.height) && ascendingAndFinite(columnX_) && ascendingAndFinite(rowY_);
}

std::size_t TQGestureGrid::nodeAt(CGPoint point) const
{
    if (!searchable_)
        return kUnknown;
    std::size_t firstColumn = 0, lastColumn = 0, firstRow = 0, lastRow = 0;
    if (!cellSpan(columnX_, node_.width, point.x, firstColumn, lastColumn) || !cellSpan(rowY_, node_.height, point.y, firstRow, lastRow))
        return kUnknown;
    for (std::size_t row = firstRow; row <= lastRow; ++row) {
        for (std::size_t column = firstColumn; column <= lastColumn; ++column) {
            const std::size_t index = row * perRow_ + column;
            if (index >= count_)
                break;
            if (CGRectContainsPoint(frameAt(index), point))
                return index;
        }
    }
    return kNone;
}
