#include "GestureTestSupport.h"

#include "platform/compositor/Renderer.h"
#include "platform/graphics/UIColor.h"
#include "platform/graphics/UIImage.h"
#include "platform/ui/UIKeyboardInput.h"
#include "platform/ui/UIScreen.h"
#include "platform/ui/UIWindow.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <numeric>
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
    auto r = std::make_shared<Recorder>();
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
    auto r = std::make_shared<Recorder>();
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

namespace {
void addedCancel(NSObject* self, SEL, TQGestureLockView*, const std::string& code)
{
    if (auto* recorder = dynamic_cast<RecorderBase*>(self))
        recorder->events.push_back("added cancel:" + code);
}
} // namespace

TEST(GestureLockView, DelegateFlagsComeOnceFromWhatTheCurrentDelegateOverridesAndItIsOnlyWatched)
{
    auto v = makeLockView(CGRectMake(0, 0, 280, 280));
    auto all = std::make_shared<Recorder>();
    auto endOnlyRecorder = std::make_shared<EndRecorder>();
    v->setDelegate(all);
    v->setDelegate(endOnlyRecorder);
    down(*v, centre(0));
    cancel(*v);
    down(*v, centre(8));
    move(*v, centre(4));
    up(*v);
    EXPECT_EQ(endOnlyRecorder->events, (Events { "end:8,4" }));

    // The flags are what the runtime answered when the delegate was set, and the callbacks are
    // sent through it: a method added later is sent only once the delegate is set again.
    class_addMethod(object_getClass(endOnlyRecorder.get()), sel(TQGestureLockViewDelegate::kDidCanceledWithPasscode),
        reinterpret_cast<IMP>(&addedCancel));
    down(*v, centre(1));
    cancel(*v);
    v->setDelegate(endOnlyRecorder);
    down(*v, centre(2));
    cancel(*v);
    EXPECT_EQ(endOnlyRecorder->events, (Events { "end:8,4", "added cancel:2" }));
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
    auto r = std::make_shared<Recorder>();
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
    auto r = std::make_shared<Recorder>();
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

namespace {
// The node a linear walk over the frames finds first, or −1.
int firstFrameHolding(const TQGestureLockView& v, CGPoint p)
{
    for (std::size_t i = 0; i < v.buttons().size(); ++i) {
        if (CGRectContainsPoint(v.buttons()[i]->frame(), p))
            return static_cast<int>(i);
    }
    return -1;
}
int nodeTakenByTouchDown(TQGestureLockView& v, CGPoint p)
{
    down(v, p);
    const int taken = v.selectedButtons().empty() ? -1 : static_cast<int>(v.selectedButtons().front()->tag());
    up(v);
    return taken;
}
} // namespace

TEST(GestureLockView, CellHitTestAgreesWithTheFramesOnOverlappingAndFlooredGrids)
{
    struct Grid {
        float side, node;
        NSUInteger count, perRow;
    };
    // Overlapping columns and rows (pitch 90 for 100-point nodes, 40 for 200), floored positions
    // (301), a partly filled last row, and a single row.
    for (const Grid g : { Grid { 280, 100, 9, 3 }, Grid { 280, 200, 9, 3 }, Grid { 301, 100, 10, 3 }, Grid { 301, 60, 7, 4 }, Grid { 280, 100, 3, 5 } }) {
        auto v = makeLockView(CGRectMake(0, 0, g.side, g.side));
        v->setNormalGestureNodeImage(square(g.node, g.node));
        v->setNumberOfGestureNodes(g.count);
        v->setGestureNodesPerRow(g.perRow);
        v->layoutSubviews();
        // The answer only changes at frame edges: probe each edge, just before it, and between
        // neighbouring edges; the first grid also on a lattice across the whole content view.
        std::vector<float> probes { -1.0f, g.side + 1.0f };
        for (const auto& b : v->buttons()) {
            for (const float edge : { b->frame().origin.x, CGRectGetMaxX(b->frame()), b->frame().origin.y, CGRectGetMaxY(b->frame()) })
                probes.insert(probes.end(), { edge, std::nextafter(edge, -1.0f), edge - 0.5f });
        }
        std::sort(probes.begin(), probes.end());
        probes.erase(std::unique(probes.begin(), probes.end()), probes.end());
        for (std::size_t i = 1, n = probes.size(); i < n; ++i)
            probes.push_back((probes[i - 1] + probes[i]) / 2.0f);
        if (g.node == 100 && g.count == 9) {
            for (float x = -1.0f; x <= g.side + 1.0f; x += 2.5f)
                probes.push_back(x);
        }
        int mismatches = 0;
        for (const float y : probes) {
            for (const float x : probes) {
                const CGPoint p { x, y };
                if (nodeTakenByTouchDown(*v, p) != firstFrameHolding(*v, p) && ++mismatches < 5)
                    ADD_FAILURE() << "side " << g.side << " node " << g.node << " at (" << x << ", " << y << ")";
            }
        }
        EXPECT_EQ(mismatches, 0) << "side " << g.side << " node " << g.node;
    }

    // Frames set by someone else are what the hit test sees, until the next layout pass.
    auto v = makeLockView(CGRectMake(0, 0, 280, 280));
    v->buttons()[8]->setFrame(CGRectMake(0, 0, 60, 60));
    EXPECT_EQ(nodeTakenByTouchDown(*v, CGPointMake(5, 5)), 0);
    v->buttons()[0]->setFrame(CGRectMake(500, 500, 60, 60));
    EXPECT_EQ(nodeTakenByTouchDown(*v, CGPointMake(5, 5)), 8);
    EXPECT_EQ(nodeTakenByTouchDown(*v, CGPointMake(230, 230)), -1);
    v->layoutSubviews();
    EXPECT_EQ(nodeTakenByTouchDown(*v, CGPointMake(5, 5)), 0);
    EXPECT_EQ(nodeTakenByTouchDown(*v, CGPointMake(230, 230)), 8);

    // A delegate that moves a node when the pattern begins: the next move sees the new frame.
    struct Mover : Recorder {
        void gestureLockViewDidBeginWithPasscode(TQGestureLockView* view, const std::string& code) override
        {
            Recorder::gestureLockViewDidBeginWithPasscode(view, code);
            view->buttons()[2]->setFrame(CGRectMake(0, 110, 60, 60));
        }
    };
    auto mover = std::make_shared<Mover>();
    v->setDelegate(mover);
    down(*v, centre(0));
    move(*v, centre(2)); // where node 2 was
    move(*v, centre(3)); // node 2 now lies over node 3 and has the lower index
    up(*v);
    EXPECT_EQ(mover->events, (Events { "begin:0", "end:0,2" }));
}

TEST(GestureLockView, ASelectionSetFromOutsideIsHonouredUntilTheReset)
{
    auto v = makeLockView(CGRectMake(0, 0, 280, 280));
    auto r = std::make_shared<Recorder>();
    v->setDelegate(r);
    v->setSelectedButtons({ v->buttons()[4] });
    for (int i : { 4, 0, 4, 0 })
        move(*v, centre(i));
    up(*v);
    down(*v, centre(4)); // the flags start over after the reset
    move(*v, centre(0));
    move(*v, centre(4));
    up(*v);
    EXPECT_EQ(r->events, (Events { "end:4,0", "begin:4", "end:4,0" }));
    EXPECT_FALSE(v->buttons()[4]->isSelected());
}

TEST(GestureLockView, TheTrailOnScreenIsAlwaysWhatAWholeRedrawPaints)
{
    // Two lock views take the same touches; the second is redrawn whole before every look, the
    // first only where its own requests asked. Clear nodes let the trail show everywhere.
    UIScreen::setMainScreen(std::make_shared<UIScreen>(CGSizeMake(320, 480), 1.0f));
    std::shared_ptr<UIWindow> windows[2];
    std::shared_ptr<TQGestureLockView> views[2];
    for (int i = 0; i < 2; ++i) {
        windows[i] = alloc<UIWindow>();
        windows[i]->initWithFrame(CGRectMake(0, 0, 320, 480));
        views[i] = alloc<TQGestureLockView>();
        views[i]->initWithFrame(windows[i]->bounds());
        views[i]->setContentInsets(UIEdgeInsetsMake(130, 20, 70, 20));
        views[i]->setNormalGestureNodeImage(TQGestureLockView::imageWithColor(UIColor::clearColor(), CGSizeMake(60, 60)));
        views[i]->setSelectedGestureNodeImage(TQGestureLockView::imageWithColor(UIColor::clearColor(), CGSizeMake(60, 60)));
        windows[i]->addSubview(views[i]);
        windows[i]->layoutIfNeeded();
    }
    // How many pixels of the first view show something else than a whole redraw paints.
    const auto stalePixels = [&] {
        views[1]->setNeedsDisplay();
        const auto shown = Renderer::snapshotWindow(*windows[0]);
        const auto whole = Renderer::snapshotWindow(*windows[1]);
        // The rasterizer may round an edge pixel's coverage a few levels differently when other
        // parts of the path change, even far away; a stale trail is off by a whole coat (77).
        const auto stale = [](std::uint32_t a, std::uint32_t b) {
            for (int shift = 0; shift < 32; shift += 8) {
                if (std::abs(static_cast<int>((a >> shift) & 0xffu) - static_cast<int>((b >> shift) & 0xffu)) > 12)
                    return true;
            }
            return false;
        };
        return shown && whole ? std::inner_product(shown->pixels().begin(), shown->pixels().end(), whole->pixels().begin(), 0, std::plus<>(), stale) : -1;
    };

    // A node far from both ends of the loose segment joins: the segment to it is new paint.
    for (auto& v : views) {
        down(*v, centre(0));
        move(*v, CGPointMake(35, 35));
        move(*v, centre(8));
    }
    EXPECT_EQ(stalePixels(), 0);
    for (auto& v : views)
        up(*v);
    EXPECT_EQ(stalePixels(), 0);

    std::mt19937 rng(7);
    std::uniform_real_distribution<float> coord(-30.0f, 310.0f);
    std::uniform_int_distribution<int> pick(0, 99), node(0, 8);
    int looks = 0;
    bool unasked = false; // a change shown only at the next redraw request
    for (int step = 0; step < 400; ++step) {
        const int what = pick(rng);
        const CGPoint p = what % 3 ? CGPoint { coord(rng), coord(rng) } : centre(node(rng));
        const float width = static_cast<float>(8 << (what % 3));
        const UIEdgeInsets insets = UIEdgeInsetsMake(130.0f + static_cast<float>(what % 20), 20, 70, 20);
        for (auto& v : views) {
            if (what < 8)
                down(*v, p);
            else if (what < 86)
                move(*v, p);
            else if (what < 91)
                up(*v);
            else if (what < 94)
                cancel(*v);
            else if (what < 97)
                v->setLineWidth(width);
            else {
                v->setContentInsets(insets);
                v->layoutSubviews();
            }
        }
        // A touch down, a style or a layout change asks for no redraw; a move asks for one when
        // it is inside the content view, a lift always. Look now and then, so requests pile up.
        const bool asks = (what >= 8 && what < 86 && CGRectContainsPoint(views[0]->contentView()->bounds(), p)) || (what >= 86 && what < 94);
        unasked = asks ? false : unasked || what < 8 || what >= 94;
        if (unasked || pick(rng) % 2)
            continue;
        ++looks;
        ASSERT_EQ(stalePixels(), 0) << "step " << step;
    }
    EXPECT_GT(looks, 100);
}

// Keys enter a pattern as a finger would: the begin callback at the first node, no node twice,
// Enter ends and Cancel cancels with the nodes still selected, and a key with nothing to act on
// is left for someone else.
TEST(GestureLockView, PatternKeysSelectEndAndCancelAsAFingerWould)
{
    auto v = makeLockView(CGRectMake(0, 0, 320, 480), UIEdgeInsetsMake(130, 20, 70, 20));
    auto r = std::make_shared<Recorder>();
    v->setDelegate(r);
    EXPECT_FALSE(v->pressKey(UIKeyPress::enter())) << "nothing drawn: Enter is not the pattern's";
    EXPECT_FALSE(v->pressKey(UIKeyPress::cancel()));
    EXPECT_FALSE(v->pressKey(UIKeyPress::digitKey(0)));
    EXPECT_FALSE(v->pressKey(UIKeyPress::digitKey(10)));
    for (int d : { 1, 5, 5, 9 })
        EXPECT_TRUE(v->pressKey(UIKeyPress::digitKey(d)));
    EXPECT_EQ(v->selectedButtons().size(), 3u);
    EXPECT_EQ(v->trackedLocationInContentView(), centre(8)) << "the trail ends on the node entered last";
    EXPECT_TRUE(v->pressKey(UIKeyPress::enter()));
    EXPECT_TRUE(v->selectedButtons().empty());
    EXPECT_EQ(v->trackedLocationInContentView(), CGPointMake(-1, -1));

    EXPECT_TRUE(v->pressKey(UIKeyPress::digitKey(3)));
    EXPECT_TRUE(v->pressKey(UIKeyPress::cancel()));
    // A finger and the keys share one pattern: a touch after a key goes on from its node.
    EXPECT_TRUE(v->pressKey(UIKeyPress::digitKey(7)));
    move(*v, centre(3));
    up(*v);
    EXPECT_EQ(r->events, (Events { "begin:0", "end:0,4,8", "begin:2", "cancel:2", "begin:6", "end:6,3" }));
    EXPECT_EQ(r->selectedDuringFinish, (std::vector<std::size_t> { 3, 1, 2 }));
}

// Keys go to the key window only, and not to a grid that would take no touch now (hidden or faded
// out, as during the failure wait).
TEST(GestureLockView, PatternKeysReachOnlyAGridInTheKeyWindowThatTakesTouches)
{
    auto host = alloc<UIWindow>();
    host->initWithFrame(CGRectMake(0, 0, 320, 480));
    auto lock = alloc<UIWindow>();
    lock->initWithFrame(CGRectMake(0, 0, 320, 480));
    auto v = makeLockView(CGRectMake(0, 0, 320, 480), UIEdgeInsetsMake(130, 20, 70, 20));
    auto r = std::make_shared<Recorder>();
    v->setDelegate(r);
    lock->addSubview(v);
    lock->makeKeyAndVisible();
    host->makeKeyAndVisible();
    EXPECT_FALSE(UIKeyboardInput::pressKey(UIKeyPress::digitKey(1))) << "the host is key";
    lock->makeKeyAndVisible();
    v->setAlpha(0);
    EXPECT_FALSE(UIKeyboardInput::pressKey(UIKeyPress::digitKey(1))) << "faded out";
    v->setAlpha(1);
    v->setHidden(true);
    EXPECT_FALSE(UIKeyboardInput::pressKey(UIKeyPress::digitKey(1))) << "hidden";
    v->setHidden(false);
    EXPECT_TRUE(UIKeyboardInput::pressKey(UIKeyPress::digitKey(2)));
    EXPECT_TRUE(UIKeyboardInput::pressKey(UIKeyPress::enter()));
    EXPECT_EQ(r->events, (Events { "begin:1", "end:1" }));
}

namespace {
std::size_t nodesShownSelected(const TQGestureLockView& v)
{
    std::size_t shown = 0;
    for (const auto& b : v.buttons())
        shown += b->isSelected() ? 1 : 0;
    return shown;
}
} // namespace

// Entered unseen, a pattern selects, reports and ends as ever, but no node takes its selected
// look and a move asks for no redraw; switching in the middle of a pattern changes its look at
// once, both ways.
TEST(GestureLockView, HiddenTrailChangesTheLookAndNothingElse)
{
    auto v = makeLockView(CGRectMake(0, 0, 320, 480), UIEdgeInsetsMake(130, 20, 70, 20));
    auto r = std::make_shared<Recorder>();
    v->setDelegate(r);
    v->setHidesTrail(true);
    down(*v, centre(0));
    v->clearNeedsDisplay();
    move(*v, CGPointMake(centre(1).x - 10, centre(1).y));
    move(*v, centre(1));
    EXPECT_FALSE(v->needsDisplay()) << "an unseen move changes no pixel";
    EXPECT_EQ(v->selectedButtons().size(), 2u);
    EXPECT_EQ(nodesShownSelected(*v), 0u);

    v->setHidesTrail(false);
    EXPECT_EQ(nodesShownSelected(*v), 2u);
    EXPECT_TRUE(v->needsDisplay());
    v->clearNeedsDisplay();
    move(*v, centre(2));
    EXPECT_TRUE(v->needsDisplay());
    EXPECT_EQ(nodesShownSelected(*v), 3u);
    v->setHidesTrail(true);
    EXPECT_EQ(nodesShownSelected(*v), 0u);
    up(*v);
    EXPECT_TRUE(v->pressKey(UIKeyPress::digitKey(5)));
    EXPECT_EQ(nodesShownSelected(*v), 0u);
    EXPECT_TRUE(v->pressKey(UIKeyPress::enter()));
    EXPECT_EQ(r->events, (Events { "begin:0", "end:0,1,2", "begin:4", "end:4" }));
}
