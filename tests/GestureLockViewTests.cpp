#include "GestureTestSupport.h"

#include "platform/graphics/UIColor.h"
#include "platform/graphics/UIImage.h"

#include <gtest/gtest.h>

#include <random>
#include <set>

using namespace gesture_test;
using Floats = std::vector<float>;
using Events = std::vector<std::string>;

namespace {
// x of the first row's nodes and y of the first column's, after a fresh layout pass.
std::pair<Floats, Floats> grid(TQGestureLockView& v)
{
    v.layoutSubviews();
    Floats xs, ys;
    const std::size_t perRow = std::max<NSUInteger>(v.gestureNodesPerRow(), 1);
    for (std::size_t i = 0; i < v.buttons().size(); ++i) {
        if (i < perRow)
            xs.push_back(v.buttons()[i]->frame().origin.x);
        if (i % perRow == 0)
            ys.push_back(v.buttons()[i]->frame().origin.y);
    }
    return { xs, ys };
}
std::shared_ptr<UIImage> square(float w, float h) { return TQGestureLockView::imageWithColor(UIColor::blueColor(), CGSizeMake(w, h)); }
CGPoint centre(int i) { return { 30.0f + 110.0f * static_cast<float>(i % 3), 30.0f + 110.0f * static_cast<float>(i / 3) }; }
} // namespace

TEST(GestureLockView, GridSpreadsNodesEdgeToEdgeWithPositionsRoundedDown)
{
    auto v = makeLockView(CGRectMake(0, 0, 280, 280));
    EXPECT_EQ(grid(*v), std::make_pair(Floats { 0, 110, 220 }, Floats { 0, 110, 220 }));
    EXPECT_EQ(v->normalGestureNodeImage()->pixelAt(30, 30), 0xFF00FF00u);
    v->setFrame(CGRectMake(0, 0, 301, 301));
    EXPECT_EQ(grid(*v), std::make_pair(Floats { 0, 120, 241 }, Floats { 0, 120, 241 }));
    v->setFrame(CGRectMake(0, 0, 280, 280));
    v->setNumberOfGestureNodes(10);
    EXPECT_EQ(grid(*v).second, (Floats { 0, 73, 146, 220 }));
    EXPECT_EQ(v->buttons()[9]->tag(), 9);

    v->setNormalGestureNodeImage(square(66, 66));
    v->setSelectedGestureNodeImage(square(50, 50)); // never shrinks
    v->setNumberOfGestureNodes(9);
    EXPECT_EQ(grid(*v).first, (Floats { 0, 107, 214 }));
    v->setButtonSize(CGSizeMake(10, 10));
    v->setNormalGestureNodeImage(v->normalGestureNodeImage()); // the same object changes nothing
    EXPECT_EQ(v->buttonSize(), CGSizeMake(10, 10));
    v->setButtonSize(CGSizeMake(60, 60));
    v->setNormalGestureNodeImage(square(70, 40));
    EXPECT_EQ(v->buttonSize(), CGSizeMake(70, 60));

    auto tall = makeLockView(CGRectMake(0, 0, 320, 568), UIEdgeInsetsMake(180, 20, 100, 20));
    EXPECT_EQ(tall->contentView()->frame(), CGRectMake(20, 180, 280, 288));
    EXPECT_EQ(grid(*tall), std::make_pair(Floats { 0, 110, 220 }, Floats { 0, 114, 228 }));
    NSCoder coder;
    coder.encode("frame", CGRectMake(0, 0, 320, 568));
    coder.encode("backgroundColor", UIColor::redColor());
    auto archived = alloc<TQGestureLockView>();
    ASSERT_EQ(archived->initWithCoder(coder), archived.get());
    // Initialised once: one content view holding every node, the defaults over the archive.
    EXPECT_EQ(archived->subviews().size(), 1u);
    EXPECT_EQ(archived->buttons()[8]->superview().get(), archived->contentView().get());
    EXPECT_EQ(archived->backgroundColor(), UIColor::clearColor());
    archived->setContentInsets(UIEdgeInsetsMake(180, 20, 100, 20));
    EXPECT_EQ(grid(*archived), std::make_pair(Floats { 0, 110, 220 }, Floats { 0, 114, 228 }));
}

TEST(GestureLockView, DegenerateGridsStayFiniteAndInsideTheContentView)
{
    auto v = makeLockView(CGRectMake(0, 0, 280, 280));
    v->setNumberOfGestureNodes(3);
    v->setGestureNodesPerRow(1); // one column: centred
    EXPECT_EQ(grid(*v), std::make_pair(Floats { 110 }, Floats { 0, 110, 220 }));
    v->setGestureNodesPerRow(0); // laid out as one column
    EXPECT_EQ(grid(*v), std::make_pair(Floats { 110 }, Floats { 0, 110, 220 }));
    v->setGestureNodesPerRow(4); // one row, partly filled: centred vertically
    EXPECT_EQ(grid(*v), std::make_pair(Floats { 0, 73, 146 }, Floats { 110 }));
    v->setContentInsets(UIEdgeInsetsMake(200, 300, 200, 300)); // larger than the bounds
    grid(*v);
    EXPECT_EQ(v->contentView()->frame().size, CGSizeMake(0, 0));
    EXPECT_EQ(v->buttons()[2]->frame().origin, CGPointMake(0, 0));
}

TEST(GestureLockView, HitTestIsHalfOpenAndTheLowestIndexWinsOnOverlap)
{
    auto v = makeLockView(CGRectMake(0, 0, 280, 280));
    auto r = std::make_shared<Recorder>("GestureTestAllCallbacks");
    v->setDelegate(r);
    down(*v, CGPointMake(110, 110)); // node 4's left/top edge
    up(*v);
    down(*v, CGPointMake(170, 170)); // its right/bottom edge: no node
    up(*v);
    down(*v, CGPointMake(169.9f, 110));
    move(*v, CGPointMake(220, 0));
    move(*v, CGPointMake(280, 0)); // the content view's own right edge: ignored
    up(*v);
    v->setNormalGestureNodeImage(square(200, 200));
    v->layoutSubviews(); // columns and rows at 0, 40, 80: nodes overlap
    down(*v, CGPointMake(230, 100));
    up(*v);
    EXPECT_EQ(r->events, (Events { "begin:4", "end:4", "begin:4", "end:4,2", "begin:1", "end:1" }));
}

TEST(GestureLockView, TrackingFollowsTheStateTableAndReportsBeforeTheReset)
{
    auto v = makeLockView(CGRectMake(0, 0, 320, 480), UIEdgeInsetsMake(130, 20, 70, 20));
    auto r = std::make_shared<Recorder>("GestureTestAllCallbacks");
    v->setDelegate(r);
    down(*v, CGPointMake(80, 80)); // between nodes: nothing
    EXPECT_EQ(v->trackedLocationInContentView(), CGPointMake(-1, -1));
    v->clearNeedsDisplay();
    move(*v, CGPointMake(85, 85)); // searching
    EXPECT_TRUE(v->needsDisplay());
    for (int i : { 0, 1, 0, 2 })
        move(*v, centre(i));
    move(*v, CGPointMake(140, -10)); // the inset margin: ignored
    EXPECT_EQ(v->trackedLocationInContentView(), centre(2));
    up(*v);
    EXPECT_TRUE(v->selectedButtons().empty());
    EXPECT_EQ(v->trackedLocationInContentView(), CGPointMake(-1, -1));
    EXPECT_FALSE(v->buttons()[0]->isSelected());

    v->clearNeedsDisplay();
    down(*v, centre(4)); // selects and tracks, but asks for no redraw
    EXPECT_FALSE(v->needsDisplay());
    EXPECT_EQ(v->trackedLocationInContentView(), centre(4));
    cancel(*v);
    v->clearNeedsDisplay();
    down(*v, CGPointMake(80, 250));
    up(*v); // no node: no callback, still a redraw
    EXPECT_TRUE(v->needsDisplay());
    EXPECT_EQ(r->events, (Events { "begin:0", "end:0,1,2", "begin:4", "cancel:4" }));
    EXPECT_EQ(r->selectedDuringFinish, (std::vector<std::size_t> { 3, 1 }));
}

TEST(GestureLockView, DelegateFlagsComeFromTheCurrentDelegateWhichIsOnlyWatched)
{
    auto v = makeLockView(CGRectMake(0, 0, 280, 280));
    auto all = std::make_shared<Recorder>("GestureTestAllCallbacks");
    auto endOnlyRecorder = std::make_shared<Recorder>("GestureTestEndOnly");
    v->setDelegate(all);
    v->setDelegate(endOnlyRecorder);
    down(*v, centre(0));
    cancel(*v);
    down(*v, centre(8));
    move(*v, centre(4));
    up(*v);
    EXPECT_EQ(endOnlyRecorder->events, (Events { "end:8,4" }));
    endOnlyRecorder.reset();
    EXPECT_EQ(v->delegate(), nullptr);
    down(*v, centre(0));
    up(*v);

    v->setNumberOfGestureNodes(12);
    v->setGestureNodesPerRow(4);
    v->layoutSubviews();
    v->setDelegate(all);
    for (int i : { 10, 11, 3 })
        move(*v, v->buttons()[static_cast<std::size_t>(i)]->center());
    cancel(*v);
    EXPECT_EQ(all->events, (Events { "begin:10", "cancel:10,11,3" }));

    // A delegate that lets go of the view in its begin callback: the move finishes on a live
    // view (otherwise a use after free, which the sanitizer run reports).
    struct Releaser : Recorder {
        Releaser() : Recorder("GestureTestAllCallbacks") { }
        void gestureLockViewDidBeginWithPasscode(TQGestureLockView* view, const std::string& code) override
        {
            Recorder::gestureLockViewDidBeginWithPasscode(view, code);
            held.reset();
        }
        std::shared_ptr<TQGestureLockView> held;
    };
    auto releaser = std::make_shared<Releaser>();
    releaser->held = makeLockView(CGRectMake(0, 0, 280, 280));
    const std::weak_ptr<TQGestureLockView> watched = releaser->held;
    TQGestureLockView& only = *releaser->held;
    only.setDelegate(releaser);
    move(only, centre(4));
    EXPECT_TRUE(watched.expired());
    EXPECT_EQ(releaser->events, (Events { "begin:4" }));
}

TEST(GestureLockView, RebuildingTheGridDropsAPatternAndANewContentViewTakesTheNodes)
{
    auto v = makeLockView(CGRectMake(0, 0, 280, 280));
    auto r = std::make_shared<Recorder>("GestureTestAllCallbacks");
    v->setDelegate(r);
    const auto first = v->buttons();
    v->setNumberOfGestureNodes(9);
    EXPECT_EQ(v->buttons(), first);
    down(*v, centre(0));
    v->setNumberOfGestureNodes(4);
    v->setGestureNodesPerRow(2);
    v->layoutSubviews();
    EXPECT_FALSE(first[0]->isSelected());
    EXPECT_EQ(first[0]->superview(), nullptr);
    move(*v, CGPointMake(250, 250)); // node 3 of the 2 × 2 grid starts a fresh pattern
    up(*v);
    EXPECT_EQ(r->events, (Events { "begin:0", "begin:3", "end:3" }));

    auto replacement = alloc<UIView>();
    replacement->initWithFrame(CGRectMake(0, 0, 10, 10));
    const auto old = v->contentView();
    v->setContentView(replacement);
    v->setContentView(nullptr);
    v->layoutSubviews();
    EXPECT_EQ(replacement->superview(), v);
    EXPECT_EQ(old->superview(), nullptr);
    EXPECT_EQ(v->buttons()[3]->superview(), replacement);
    EXPECT_EQ(replacement->frame(), CGRectMake(0, 0, 280, 280));
}

TEST(GestureLockView, RandomTouchStreamsKeepSelectionAndPasscodesConsistent)
{
    auto v = makeLockView(CGRectMake(0, 0, 320, 480), UIEdgeInsetsMake(130, 20, 70, 20));
    auto r = std::make_shared<Recorder>("GestureTestAllCallbacks");
    v->setDelegate(r);
    std::mt19937 rng(20261207);
    std::uniform_real_distribution<float> coord(-40.0f, 320.0f);
    std::uniform_int_distribution<int> pick(0, 99), node(0, 8);
    for (int step = 0; step < 20000; ++step) {
        const int what = pick(rng);
        // Every fourth point is a node's exact corner, for the half-open edges.
        const CGPoint p = what % 4 ? CGPoint { coord(rng), coord(rng) } : v->buttons()[static_cast<std::size_t>(node(rng))]->frame().origin;
        what < 10 ? down(*v, p) : what < 85 ? move(*v, p) : what < 95 ? up(*v) : cancel(*v); // downs may repeat
        std::set<UIButton*> selected;
        for (const auto& b : v->selectedButtons())
            selected.insert(b.get());
        ASSERT_EQ(selected.size(), v->selectedButtons().size()) << "step " << step;
        for (const auto& b : v->buttons())
            ASSERT_EQ(b->isSelected(), selected.count(b.get()) == 1) << "step " << step;
    }
    // One begin per pattern, naming its first node; entries distinct, in range, no leading zeros.
    std::string begun;
    int finished = 0;
    for (const auto& e : r->events) {
        const std::string code = e.substr(e.find(':') + 1);
        std::set<std::string> entries;
        for (std::size_t start = 0, comma; start <= code.size(); start = comma + 1) {
            comma = std::min(code.find(',', start), code.size());
            const std::string entry = code.substr(start, comma - start);
            ASSERT_TRUE(entry.size() == 1 && entry[0] >= '0' && entry[0] <= '8') << e;
            ASSERT_TRUE(entries.insert(entry).second) << e;
        }
        const bool isBegin = e.rfind("begin:", 0) == 0;
        ASSERT_EQ(isBegin, begun.empty()) << e;
        ASSERT_TRUE(!isBegin || entries.size() == 1) << e;
        ASSERT_EQ(code.substr(0, 1), isBegin ? code : begun) << e;
        begun = isBegin ? code : "";
        finished += isBegin ? 0 : 1;
    }
    EXPECT_GT(finished, 100);
}
