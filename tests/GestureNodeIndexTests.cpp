#include "GestureTestSupport.h"

#include "gesture/TQGestureNodeIndex.h"
#include "platform/ui/UIButton.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

using namespace gesture_test;

namespace {

// Four 10-point nodes, two per row, on a 30-point square: at 0 and 20 on both axes.
TQGestureGrid smallGrid() { return TQGestureGrid({ .count = 4, .perRow = 2, .node = CGSizeMake(10, 10), .content = CGSizeMake(30, 30) }); }

TQGestureNodeIndex::Buttons nodesOn(const TQGestureGrid& grid)
{
    TQGestureNodeIndex::Buttons buttons;
    for (std::size_t i = 0; i < grid.count(); ++i) {
        auto button = UIButton::buttonWithType(UIButtonType::Custom);
        button->setFrame(grid.frameAt(i));
        buttons.push_back(button);
    }
    return buttons;
}

} // namespace

TEST(GestureNodeIndex, TheGridAnswersOnlyWhileTheNodesSitWhereItPutThem)
{
    const TQGestureGrid grid = smallGrid();
    auto buttons = nodesOn(grid);
    TQGestureNodeIndex index;
    index.nodesReplaced(buttons.size(), false);
    EXPECT_FALSE(index.framesAsPlaced(buttons)) << "nodes no layout pass has placed";
    index.placed(grid);
    EXPECT_TRUE(index.framesAsPlaced(buttons));
    EXPECT_EQ(index.nodeAt(CGPointMake(25, 25), buttons), 3u);
    EXPECT_EQ(index.nodeAt(CGPointMake(15, 15), buttons), TQGestureGrid::kNone);

    // A node moved by other code over another one: once checked again, the frames decide, and
    // the lower index wins.
    buttons[0]->setFrame(grid.frameAt(3));
    index.recheck();
    EXPECT_FALSE(index.framesAsPlaced(buttons));
    EXPECT_EQ(index.nodeAt(CGPointMake(25, 25), buttons), 0u);
    EXPECT_EQ(index.nodeAt(CGPointMake(5, 5), buttons), TQGestureGrid::kNone);
    buttons[0]->setFrame(grid.frameAt(0));
    index.recheck();
    EXPECT_TRUE(index.framesAsPlaced(buttons)) << "moved back where the grid put it";

    // A new array whose nodes happen to sit on the old grid is still not the array it placed.
    auto replaced = nodesOn(grid);
    index.nodesReplaced(replaced.size(), false);
    index.recheck();
    EXPECT_FALSE(index.framesAsPlaced(replaced));
    EXPECT_EQ(index.nodeAt(CGPointMake(25, 5), replaced), 1u);
    index.placed(grid);
    EXPECT_TRUE(index.framesAsPlaced(replaced));
    // Fewer nodes than the grid has: the frames are walked.
    replaced.pop_back();
    index.recheck();
    EXPECT_FALSE(index.framesAsPlaced(replaced));
    EXPECT_EQ(index.nodeAt(CGPointMake(25, 25), replaced), TQGestureGrid::kNone);
}

TEST(GestureNodeIndex, TheSelectionIsFlaggedByIndexUnlessItWasSetFromOutside)
{
    const auto buttons = nodesOn(smallGrid());
    TQGestureNodeIndex index;
    index.nodesReplaced(buttons.size(), false);
    const TQGestureNodeIndex::Buttons none;
    index.select(1);
    index.select(3);
    EXPECT_TRUE(index.isSelected(1, buttons, none));
    EXPECT_TRUE(index.isSelected(3, buttons, none));
    EXPECT_FALSE(index.isSelected(0, buttons, none));
    index.clearSelection();
    for (std::size_t i = 0; i < buttons.size(); ++i)
        EXPECT_FALSE(index.isSelected(i, buttons, none)) << i;

    // Set from outside: the array says, flags or not, until the selection is cleared.
    const TQGestureNodeIndex::Buttons outside { buttons[2] };
    index.select(0);
    index.selectionSetFromOutside();
    EXPECT_TRUE(index.isSelected(2, buttons, outside));
    EXPECT_FALSE(index.isSelected(0, buttons, outside));
    index.select(1);
    EXPECT_FALSE(index.isSelected(1, buttons, outside)) << "not in the array";
    index.clearSelection();
    EXPECT_FALSE(index.isSelected(2, buttons, outside));
    EXPECT_FALSE(index.isSelected(0, buttons, outside)) << "every flag is cleared, not only those it noted";

    // New nodes while a selection is held look it up in its array too.
    index.nodesReplaced(buttons.size(), true);
    EXPECT_TRUE(index.isSelected(2, buttons, outside));
    index.clearSelection();
    index.select(2);
    EXPECT_TRUE(index.isSelected(2, buttons, none));
}

namespace {

CGPoint nodeCentre(int i) { return { 30.0f + 110.0f * static_cast<float>(i % 3), 30.0f + 110.0f * static_cast<float>(i / 3) }; }

bool redrawsWhole(const TQGestureLockView& v) { return v.needsDisplay() && v.needsDisplayRect() == v.bounds(); }
bool redrawsPart(const TQGestureLockView& v) { return v.needsDisplay() && !(v.needsDisplayRect() == v.bounds()); }

} // namespace

// A move redraws only what it changes while nothing else changed what the trail is drawn from;
// after any such change the next move redraws the whole view, and the one after is partial again.
TEST(GestureLockView, EveryChangeOfWhatTheTrailIsDrawnFromRedrawsItWhole)
{
    const std::vector<std::pair<std::string, std::function<void(TQGestureLockView&)>>> changes {
        { "line colour", [](TQGestureLockView& v) { v.setLineColor(v.lineColor()); } },
        { "line width", [](TQGestureLockView& v) { v.setLineWidth(v.lineWidth()); } },
        { "tracked location", [](TQGestureLockView& v) { v.setTrackedLocationInContentView(v.trackedLocationInContentView()); } },
        { "selected buttons", [](TQGestureLockView& v) { v.setSelectedButtons(v.selectedButtons()); } },
        { "buttons", [](TQGestureLockView& v) {
             v.setButtons(v.buttons());
             v.layoutSubviews();
         } },
        { "layout", [](TQGestureLockView& v) { v.layoutSubviews(); } },
        { "content view", [](TQGestureLockView& v) {
             auto content = alloc<UIView>();
             content->initWithFrame(v.contentView()->frame());
             v.setContentView(content);
             v.layoutSubviews();
         } },
    };
    for (const auto& [what, change] : changes) {
        auto v = makeLockView(CGRectMake(0, 0, 280, 280));
        down(*v, nodeCentre(0));
        move(*v, CGPointMake(60, 40));
        v->clearNeedsDisplay();
        move(*v, CGPointMake(70, 40));
        EXPECT_TRUE(redrawsPart(*v)) << what << ": before the change";
        change(*v);
        v->clearNeedsDisplay();
        move(*v, CGPointMake(80, 40));
        EXPECT_TRUE(redrawsWhole(*v)) << what;
        v->clearNeedsDisplay();
        move(*v, CGPointMake(90, 40));
        EXPECT_TRUE(redrawsPart(*v)) << what << ": the move after";
        EXPECT_EQ(v->selectedButtons().size(), 1u) << what;
        up(*v);
    }
}
