#include "gesture/TQGestureNodeIndex.h"

#include "platform/ui/UIButton.h"

#include <algorithm>

void TQGestureNodeIndex::nodesReplaced(std::size_t count, bool selectionHeld)
{
    ++generation_;
    frames_ = Frames::Moved;
    selected_.assign(count, 0);
    selectedIndices_.clear();
    indexed_ = !selectionHeld;
}

void TQGestureNodeIndex::placed(const TQGestureGrid& grid)
{
    grid_ = grid;
    placedGeneration_ = generation_;
    frames_ = Frames::Unchecked;
}

bool TQGestureNodeIndex::framesAsPlaced(const Buttons& buttons)
{
    if (frames_ == Frames::Unchecked) {
        bool same = grid_.searchable() && placedGeneration_ == generation_ && grid_.count() == buttons.size();
        for (std::size_t i = 0; same && i < grid_.count(); ++i)
            same = buttons[i]->frame() == grid_.frameAt(i);
        frames_ = same ? Frames::AsPlaced : Frames::Moved;
    }
    return frames_ == Frames::AsPlaced;
}

std::size_t TQGestureNodeIndex::nodeAt(CGPoint point, const Buttons& buttons)
{
    if (framesAsPlaced(buttons)) {
        const std::size_t index = grid_.nodeAt(point);
        if (index != TQGestureGrid::kUnknown)
            return index;
    }
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        if (CGRectContainsPoint(buttons[i]->frame(), point))
            return i;
    }
    return TQGestureGrid::kNone;
}

bool TQGestureNodeIndex::isSelected(std::size_t index, const Buttons& buttons, const Buttons& selected) const
{
    // A node shared by two indices is always found at the lower one, so its flag is enough.
    if (indexed_)
        return selected_[index] != 0;
    return std::find(selected.begin(), selected.end(), buttons[index]) != selected.end();
}

void TQGestureNodeIndex::select(std::size_t index)
{
    if (!indexed_)
        return;
    selected_[index] = 1;
    selectedIndices_.push_back(index);
}

void TQGestureNodeIndex::clearSelection()
{
    if (indexed_) {
        for (const std::size_t index : selectedIndices_)
            selected_[index] = 0;
    } else {
        std::fill(selected_.begin(), selected_.end(), std::uint8_t { 0 });
    }
    selectedIndices_.clear();
    indexed_ = true;
}
