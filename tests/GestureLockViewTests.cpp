#include "GestureTestSupport.h"

#include "platform/graphics/UIColor.h"
#include "platform/graphics/UIImage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <set>

using namespace gesture_test;

namespace {

std::vector<float> columnsOf(const TQGestureLockView& v)
{
    std::vector<float> xs;
    for (std::size_t i = 0; i < v.buttons().size() && i < v.gestureNodesPerRow(); ++i)
        xs.push_back(v.buttons()[i]->frame().origin.x);
    return xs;
}
std::vector<float> rowsOf(const TQGestureLockView& v)
{
    std::vector<float> ys;
    for (std::size_t i = 0; i < v.buttons().size(); i += v.gestureNodesPerRow())
        ys.push_back(v.buttons()[i]->frame().origin.y);
    return ys;
}
using F = std::vector<float>;
CGPoint centre(int i) { return { 30.0f + 110.0f * static_cast<float>(i % 3), 30.0f + 110.0f * static_cast<float>(i / 3) }; }

} // namespace

TEST(GestureLockView, DefaultsGiveNineTaggedNodesWithGreenAndRedSquares)
{
    auto v = makeLockView(CGRectMake(0, 0, 280, 280));
    EXPECT_STREQ(class_getName(class_getSuperclass(object_getClass(v.get()))), "UIView");
    ASSERT_EQ(v->buttons().size(), 9u);
    for (NSInteger i = 0; i < 9; ++i) {
        const auto& b = v->buttons()[static_cast<std::size_t>(i)];
        EXPECT_EQ(b->tag(), i);
        EXPECT_EQ(b->superview(), v->contentView());
        EXPECT_FALSE(b->isUserInteractionEnabled());
    }
    EXPECT_EQ(v->normalGestureNodeImage()->pixelAt(30, 30), 0xFF00FF00u);
    EXPECT_EQ(v->selectedGestureNodeImage()->pixelAt(59, 59), 0xFFFF0000u);
    EXPECT_EQ(v->trackedLocationInContentView(), CGPointMake(-1, -1));
    EXPECT_FLOAT_EQ(v->lineColor()->alpha(), 0.3f);

    NSCoder coder;
    coder.encode("frame", CGRectMake(0, 0, 100, 50));
    auto archived = alloc<TQGestureLockView>();
    ASSERT_EQ(archived->initWithCoder(coder), archived.get());
    EXPECT_EQ(archived->buttons().size(), 9u);
    EXPECT_EQ(archived->contentView()->frame(), CGRectMake(0, 0, 100, 50));
}

TEST(GestureLockView, GridSpreadsNodesEdgeToEdgeAndRoundsPositionsDown)
{
    auto v = makeLockView(CGRectMake(0, 0, 280, 280));
    EXPECT_EQ(columnsOf(*v), (F { 0, 110, 220 }));
    EXPECT_EQ(v->buttons()[4]->frame(), CGRectMake(110, 110, 60, 60));

    v->setFrame(CGRectMake(0, 0, 301, 301));
    v->layoutSubviews();
    EXPECT_EQ(columnsOf(*v), (F { 0, 120, 241 }));
    EXPECT_EQ(rowsOf(*v), (F { 0, 120, 241 }));

    v->setFrame(CGRectMake(0, 0, 280, 280));
    v->setNumberOfGestureNodes(10);
    v->layoutSubviews();
    EXPECT_EQ(rowsOf(*v), (F { 0, 73, 146, 220 }));
    EXPECT_EQ(v->buttons()[9]->frame().origin.x, 0.0f);

    v->setNormalGestureNodeImage(TQGestureLockView::imageWithColor(UIColor::blueColor(), CGSizeMake(66, 66)));
    v->setSelectedGestureNodeImage(TQGestureLockView::imageWithColor(UIColor::blueColor(), CGSizeMake(50, 50)));
    v->setNumberOfGestureNodes(9);
    v->layoutSubviews();
    EXPECT_EQ(v->buttonSize(), CGSizeMake(66, 66));
    EXPECT_EQ(columnsOf(*v), (F { 0, 107, 214 }));

    // The very image already stored changes nothing, not even a shrunk node size.
    v->setButtonSize(CGSizeMake(10, 10));
    v->setNormalGestureNodeImage(v->normalGestureNodeImage());
    EXPECT_EQ(v->buttonSize(), CGSizeMake(10, 10));

    auto w = makeLockView(CGRectMake(0, 0, 320, 480));
    w->setNormalGestureNodeImage(TQGestureLockView::imageWithColor(UIColor::blueColor(), CGSizeMake(70, 40)));
    EXPECT_EQ(w->buttonSize(), CGSizeMake(70, 60));
}

TEST(GestureLockView, InsetsPlaceTheContentViewAndTheGridFollowsIt)
{
    auto v = makeLockView(CGRectMake(0, 0, 320, 480));
    v->setContentInsets(UIEdgeInsetsMake(130, 20, 70, 20));
    v->layoutSubviews();
    EXPECT_EQ(v->contentView()->frame(), CGRectMake(20, 130, 280, 280));

    v->setFrame(CGRectMake(0, 0, 320, 568));
    v->setContentInsets(UIEdgeInsetsMake(180, 20, 100, 20));
    v->layoutSubviews();
    EXPECT_EQ(v->contentView()->frame(), CGRectMake(20, 180, 280, 288));
    EXPECT_EQ(rowsOf(*v), (F { 0, 114, 228 }));
    EXPECT_EQ(columnsOf(*v), (F { 0, 110, 220 }));

    // Insets larger than the bounds collapse the content view; the nodes stay at its origin.
    v->setContentInsets(UIEdgeInsetsMake(400, 200, 400, 200));
    v->layoutSubviews();
    EXPECT_EQ(v->contentView()->frame().size, CGSizeMake(0, 0));
    for (const auto& b : v->buttons())
        EXPECT_EQ(b->frame().origin, CGPointMake(0, 0));
}

TEST(GestureLockView, SingleColumnsAndRowsAreCentredAndNoNodeGetsNaN)
{
    auto v = makeLockView(CGRectMake(0, 0, 280, 280));
    v->setGestureNodesPerRow(1);
    v->setNumberOfGestureNodes(3);
    v->layoutSubviews();
    EXPECT_EQ(rowsOf(*v), (F { 0, 110, 220 }));
    EXPECT_EQ(v->buttons()[1]->frame().origin.x, 110.0f);

    v->setGestureNodesPerRow(0);
    v->layoutSubviews();
    EXPECT_EQ(v->buttons()[2]->frame(), CGRectMake(110, 220, 60, 60));

    v->setGestureNodesPerRow(3);
    v->setNumberOfGestureNodes(2); // one row, partly filled
    v->layoutSubviews();
    EXPECT_EQ(v->buttons()[1]->frame(), CGRectMake(110, 110, 60, 60));
}

TEST(GestureLockView, HitTestIsHalfOpenAndTheLowestIndexWinsOnOverlap)
{
    auto v = makeLockView(CGRectMake(0, 0, 280, 280));
    auto r = std::make_shared<Recorder>("GestureTestAllCallbacks");
    v->setDelegate(r);
    down(*v, CGPointMake(110, 110)); // left/top edge of node 4
    up(*v);
    down(*v, CGPointMake(170, 170)); // right/bottom edge: outside 4, before 8
    up(*v);
    down(*v, CGPointMake(169.9f, 110));
    move(*v, CGPointMake(220, 0));
    move(*v, CGPointMake(280, 0)); // on the content view's right edge: ignored
    up(*v);
    EXPECT_EQ(r->events, (std::vector<std::string> { "begin:4", "end:4", "begin:4", "end:4,2" }));

    v->setNormalGestureNodeImage(TQGestureLockView::imageWithColor(UIColor::blueColor(), CGSizeMake(200, 200)));
    v->layoutSubviews(); // columns at 0, 40, 80: every node overlaps its neighbours
    r->events.clear();
    down(*v, CGPointMake(230, 100));
    up(*v);
    EXPECT_EQ(r->events, (std::vector<std::string> { "begin:1", "end:1" }));
}

TEST(GestureLockView, TrackingFollowsTheStateTableAndReportsAtTheRightMoments)
{
    auto v = makeLockView(CGRectMake(0, 0, 320, 480));
    v->setContentInsets(UIEdgeInsetsMake(130, 20, 70, 20));
    v->layoutSubviews();
    auto r = std::make_shared<Recorder>("GestureTestAllCallbacks");
    v->setDelegate(r);

    v->clearNeedsDisplay();
    down(*v, CGPointMake(80, 80)); // between nodes: nothing at all
    EXPECT_EQ(v->trackedLocationInContentView(), CGPointMake(-1, -1));
    move(*v, CGPointMake(85, 85)); // Searching
    EXPECT_TRUE(v->selectedButtons().empty());
    EXPECT_TRUE(v->needsDisplay());
    move(*v, centre(0));
    move(*v, centre(1));
    move(*v, centre(0)); // already in the pattern
    move(*v, centre(2));
    move(*v, CGPointMake(140, -10)); // in the inset margin: ignored
    EXPECT_EQ(v->trackedLocationInContentView(), centre(2));
    EXPECT_TRUE(v->buttons()[2]->isSelected());
    up(*v);
    EXPECT_EQ(r->events, (std::vector<std::string> { "begin:0", "end:0,1,2" }));
    EXPECT_EQ(r->selectedDuringFinish, (std::vector<std::size_t> { 3 }));
    EXPECT_TRUE(v->selectedButtons().empty());
    EXPECT_EQ(v->trackedLocationInContentView(), CGPointMake(-1, -1));
    EXPECT_TRUE(std::none_of(v->buttons().begin(), v->buttons().end(), [](auto& b) { return b->isSelected(); }));

    // A touch down on a node selects it without asking for a redraw; a lift off every node still does.
    v->clearNeedsDisplay();
    down(*v, centre(4));
    EXPECT_FALSE(v->needsDisplay());
    cancel(*v);
    EXPECT_TRUE(v->needsDisplay());
    v->clearNeedsDisplay();
    down(*v, CGPointMake(80, 250));
    up(*v);
    EXPECT_TRUE(v->needsDisplay());
    EXPECT_EQ(r->events.back(), "cancel:4");
    EXPECT_EQ(r->events.size(), 4u);
}

TEST(GestureLockView, DelegateFlagsAreTakenOnceAndTheDelegateIsOnlyWatched)
{
    auto v = makeLockView(CGRectMake(0, 0, 280, 280));
    auto all = std::make_shared<Recorder>("GestureTestAllCallbacks");
    auto endOnlyRecorder = std::make_shared<Recorder>("GestureTestEndOnly");
    v->setDelegate(all);
    v->setDelegate(endOnlyRecorder); // flags come from the new delegate alone
    down(*v, centre(0));
    cancel(*v);
    down(*v, centre(8));
    move(*v, centre(4));
    up(*v);
    EXPECT_EQ(endOnlyRecorder->events, (std::vector<std::string> { "end:8,4" }));

    endOnlyRecorder.reset();
    EXPECT_EQ(v->delegate(), nullptr);
    down(*v, centre(0));
    up(*v); // goes nowhere
    EXPECT_TRUE(v->selectedButtons().empty());
    EXPECT_TRUE(all->events.empty());

    v->setNumberOfGestureNodes(12);
    v->setGestureNodesPerRow(4);
    v->layoutSubviews();
    v->setDelegate(all);
    const auto at = [&](int i) { return v->buttons()[static_cast<std::size_t>(i)]->center(); };
    down(*v, at(10));
    move(*v, at(11));
    move(*v, at(3));
    cancel(*v);
    EXPECT_EQ(all->events, (std::vector<std::string> { "begin:10", "cancel:10,11,3" }));
}

TEST(GestureLockView, RebuildingTheGridDropsAPatternInProgress)
{
    auto v = makeLockView(CGRectMake(0, 0, 280, 280));
    auto r = std::make_shared<Recorder>("GestureTestAllCallbacks");
    v->setDelegate(r);
    const auto first = v->buttons();
    v->setNumberOfGestureNodes(9); // same count: same nodes
    EXPECT_EQ(v->buttons(), first);

    down(*v, centre(0));
    v->setNumberOfGestureNodes(4);
    v->setGestureNodesPerRow(2);
    v->layoutSubviews();
    EXPECT_FALSE(first[0]->isSelected());
    EXPECT_EQ(first[0]->superview(), nullptr);
    EXPECT_TRUE(v->selectedButtons().empty());
    move(*v, CGPointMake(250, 250)); // node 3 of the new 2×2 grid
    up(*v);
    EXPECT_EQ(r->events, (std::vector<std::string> { "begin:0", "begin:3", "end:3" }));
    EXPECT_EQ(v->contentView()->subviews().size(), 4u);

    // A new content view takes the old one's place and the nodes with it.
    auto replacement = alloc<UIView>();
    replacement->initWithFrame(CGRectMake(0, 0, 10, 10));
    const auto old = v->contentView();
    v->setContentView(replacement);
    v->setContentView(nullptr);
    v->layoutSubviews();
    EXPECT_EQ(v->contentView(), replacement);
    EXPECT_EQ(replacement->superview(), v);
    EXPECT_EQ(old->superview(), nullptr);
    EXPECT_EQ(v->buttons()[3]->superview(), replacement);
    EXPECT_EQ(replacement->frame(), CGRectMake(0, 0, 280, 280));
}

TEST(GestureLockView, RandomTouchStreamsKeepSelectionAndPasscodesConsistent)
{
    auto v = makeLockView(CGRectMake(0, 0, 320, 480));
    v->setContentInsets(UIEdgeInsetsMake(130, 20, 70, 20));
    v->layoutSubviews();
    auto r = std::make_shared<Recorder>("GestureTestAllCallbacks");
    v->setDelegate(r);
    std::mt19937 rng(20261207);
    std::uniform_real_distribution<float> coord(-40.0f, 320.0f);
    std::uniform_int_distribution<int> pick(0, 99), node(0, 8);

    for (int step = 0; step < 20000; ++step) {
        const int what = pick(rng);
        // Every fourth point lands exactly on a node corner, to exercise the half-open edges.
        CGPoint p { coord(rng), coord(rng) };
        if (what % 4 == 0)
            p = v->buttons()[static_cast<std::size_t>(node(rng))]->frame().origin;
        if (what < 10)
            down(*v, p); // some without a lift before: must not select a node twice
        else if (what < 85)
            move(*v, p);
        else if (what < 95)
            up(*v);
        else
            cancel(*v);

        const auto& sel = v->selectedButtons();
        std::set<UIButton*> unique;
        for (const auto& b : sel)
            unique.insert(b.get());
        ASSERT_EQ(unique.size(), sel.size()) << "step " << step;
        for (const auto& b : v->buttons())
            ASSERT_EQ(b->isSelected(), unique.count(b.get()) == 1) << "step " << step;
    }
    std::size_t finishes = 0;
    std::string pendingBegin;
    for (const auto& e : r->events) {
        const auto code = e.substr(e.find(':') + 1);
        std::set<int> seen;
        std::size_t entries = 0, start = 0;
        while (start <= code.size()) {
            const auto comma = std::min(code.find(',', start), code.size());
            const auto entry = code.substr(start, comma - start);
            ASSERT_FALSE(entry.empty()) << e;
            ASSERT_TRUE(std::all_of(entry.begin(), entry.end(), [](char c) { return c >= '0' && c <= '9'; }) && (entry == "0" || entry[0] != '0')) << e;
            seen.insert(std::stoi(entry));
            ++entries;
            start = comma + 1;
        }
        ASSERT_EQ(seen.size(), entries) << e;
        ASSERT_LE(*seen.rbegin(), 8) << e;
        // Exactly one begin per pattern, naming the node the pattern then starts with.
        if (e.rfind("begin:", 0) == 0) {
            ASSERT_EQ(entries, 1u);
            ASSERT_TRUE(pendingBegin.empty()) << e;
            pendingBegin = code;
        } else {
            ASSERT_EQ(code.substr(0, code.find(',')), pendingBegin) << e;
            pendingBegin.clear();
            ++finishes;
        }
    }
    EXPECT_GT(finishes, 100u);
}
