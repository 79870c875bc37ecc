// The pictures a fade keeps from frame to frame: a frame in which only alphas changed composes the
// picture the last frame painted, unpainted; a change inside the faded view paints it again; and
// either way the screen comes out byte for byte as cairo's own groups draw it.
#include "DrawingTestSupport.h"
#include "PixelProbe.h"

#include "platform/compositor/DamageTracker.h"
#include "platform/compositor/LayerPool.h"
#include "platform/compositor/Renderer.h"
#include "platform/compositor/ViewRecords.h"
#include "platform/foundation/Clock.h"
#include "platform/graphics/UIBezierPath.h"
#include "platform/graphics/UIColor.h"
#include "platform/graphics/UIImage.h"
#include "platform/ui/UIImageView.h"
#include "platform/ui/UILabel.h"
#include "platform/ui/UIScreen.h"
#include "platform/ui/UIViewAnimator.h"
#include "platform/ui/UIWindow.h"

#include <gtest/gtest.h>

namespace {

using drawing_test::screenMatchesWindowSnapshot;
using drawing_test::solidImage;

template <class T = UIView> std::shared_ptr<T> makeView(CGRect frame, std::shared_ptr<UIColor> background = nullptr)
{
    auto view = std::make_shared<T>();
    view->initWithFrame(frame);
    view->setBackgroundColor(std::move(background));
    return view;
}

// Counts how often its content is painted, on the screen or into a picture.
class CountedView : public UIView {
public:
    void drawIntrinsicContent(CGRect rect) const override
    {
        ++paints;
        UIView::drawIntrinsicContent(rect);
    }
    mutable int paints = 0;
};

// A view that draws a translucent stroke of its own, as the lock's trail does.
class StrokeView : public UIView {
public:
    bool drawsContent() const override { return true; }
    void drawRect(CGRect rect) override
    {
        UIView::drawRect(rect);
        auto path = UIBezierPath::bezierPath();
        path->moveToPoint({ 5, 5 });
        path->addLineToPoint(end);
        path->setLineWidth(4);
        color->colorWithAlphaComponent(0.4f)->setStroke();
        path->stroke();
    }
    CGPoint end { 60, 40 };
    std::shared_ptr<UIColor> color = UIColor::orangeColor();
};

class RetainedPictureTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Clock::setCurrent(clock);
        // Three pixels a point, and views off the pixel grid: rounding between points and pixels matters.
        UIScreen::setMainScreen(std::make_shared<UIScreen>(CGSizeMake(100, 100), 3.0f));
        window = makeView<UIWindow>({ { 0, 0 }, { 100, 100 } }, UIColor::whiteColor());
        window->makeKeyAndVisible();

        // Like the lock fading in: a view that paints nothing, inside it one faded view with an
        // opaque picture at the bottom and a node, a label and a stroke over it.
        outer = makeView({ { 0, 0 }, { 100, 100 } });
        faded = makeView({ { 7, 12 }, { 80, 70 } });
        auto backdrop = std::make_shared<UIImageView>();
        backdrop->initWithImage(solidImage(UIColor::greenColor(), { 20, 20 }));
        backdrop->setFrame({ { -2, -2 }, { 84, 74 } });
        faded->addSubview(backdrop);
        node = makeView<CountedView>({ { 10.3f, 10.6f }, { 20, 20 } }, UIColor::redColor());
        faded->addSubview(node);
        label = makeView<UILabel>({ { 0, 50 }, { 80, 20 } });
        label->setTextColor(UIColor::blueColor());
        label->setText(std::string("Wrong"));
        faded->addSubview(label);
        stroke = makeView<StrokeView>({ { 0, 0 }, { 80, 70 } });
        faded->addSubview(stroke);
        outer->addSubview(faded);
        window->addSubview(outer);
    }

    // Animations follow the clock: moving it on is the next frame of a fade.
    std::shared_ptr<VirtualClock> clock = std::make_shared<VirtualClock>(1'800'000'000.0);
    std::shared_ptr<UIWindow> window;
    std::shared_ptr<UIView> outer, faded;
    std::shared_ptr<CountedView> node;
    std::shared_ptr<UILabel> label;
    std::shared_ptr<StrokeView> stroke;
};

TEST_F(RetainedPictureTest, AFadeComposesThePictureOfTheLastFrameWithoutPaintingIt)
{
    // The view fades out inside another that fades too, as the lock and its window do.
    UIView::animateWithDuration(1.0, [&] {
        faded->setAlpha(0.1f);
        outer->setAlpha(0.5f);
    });
    clock->setMonotonicNow(0.1);
    EXPECT_TRUE(screenMatchesWindowSnapshot(*window)) << "the first frame of the fade";
    const int painted = node->paints;
    ASSERT_GE(painted, 1);

    // Frame after frame of the fade: only the alphas change.
    for (double t : { 0.2, 0.35, 0.5, 0.75, 0.9 }) {
        clock->setMonotonicNow(t);
        const int before = node->paints;
        const PixelRect changed = Renderer::shared().renderScreen();
        EXPECT_FALSE(changed.isEmpty()) << "the fade changes the screen at " << t;
        EXPECT_EQ(node->paints, before) << "the picture kept is composed, not painted again, at " << t;
        EXPECT_TRUE(screenMatchesWindowSnapshot(*window)) << "at " << t;
    }

    // A whole re-compose of the screen keeps the picture too.
    const int before = node->paints;
    Renderer::shared().setNeedsFullRedraw();
    Renderer::shared().renderScreen();
    EXPECT_EQ(node->paints, before);

    // The fade over and the view shown whole: it is painted on the screen again, as it is.
    clock->setMonotonicNow(2.0);
    faded->setAlpha(1.0f);
    outer->setAlpha(1.0f);
    EXPECT_TRUE(screenMatchesWindowSnapshot(*window)) << "at the end of the fade";
    EXPECT_GT(node->paints, before);
}

TEST_F(RetainedPictureTest, AnythingThatChangesInsideTheFadedViewPaintsItsPictureAgain)
{
    UIView::animateWithDuration(100.0, [&] { faded->setAlpha(0.0f); });
    clock->setMonotonicNow(1.0);
    Renderer::shared().renderScreen();
    double t = 1.0;
    // One frame in which the fade goes on and something inside the view changed: the picture is
    // painted again, and shows the change.
    auto nextFrame = [&](const char* what) {
        clock->setMonotonicNow(t += 1.0);
        const int before = node->paints;
        EXPECT_TRUE(screenMatchesWindowSnapshot(*window)) << what;
        EXPECT_GT(node->paints, before) << what << ": the picture was painted again";
    };
    node->setBackgroundColor(UIColor::blueColor());
    nextFrame("a colour");
    node->setFrame({ { 30.2f, 15.1f }, { 20, 20 } });
    nextFrame("a move");
    label->setText(std::string("Try again"));
    nextFrame("a new text");
    stroke->end = { 70, 10 };
    stroke->setNeedsDisplay();
    nextFrame("a drawing redone");
    stroke->color = UIColor::blueColor();
    stroke->setNeedsDisplay();
    nextFrame("a drawing redone in another colour, over the same pixels");
    label->setAlpha(0.5f);
    nextFrame("a fade inside the fade");
    label->setHidden(true);
    nextFrame("a view hidden");
    label->setHidden(false);
    nextFrame("a view shown again");
    auto added = makeView({ { 40, 40 }, { 10, 10 } }, UIColor::blackColor());
    faded->addSubview(added);
    nextFrame("a view added");
    added->removeFromSuperview();
    added.reset();
    nextFrame("a view let go of");

    // A window snapshot may redraw a view behind the screen's back: no picture is trusted after
    // it, even one cut as the last frame's was (the whole screen).
    Renderer::shared().setNeedsFullRedraw();
    Renderer::shared().renderScreen();
    stroke->color = UIColor::greenColor();
    stroke->setNeedsDisplay();
    ASSERT_TRUE(Renderer::snapshotWindow(*window));
    nextFrame("a drawing redone by a snapshot");

    // Nothing inside changed: kept again, once a frame has cut it as the fade does (the last one
    // composed the whole screen after the snapshot).
    clock->setMonotonicNow(t += 1.0);
    Renderer::shared().renderScreen();
    for (int i = 0; i < 2; ++i) {
        clock->setMonotonicNow(t += 1.0);
        const int before = node->paints;
        Renderer::shared().renderScreen();
        EXPECT_EQ(node->paints, before);
        EXPECT_TRUE(screenMatchesWindowSnapshot(*window));
    }
}

TEST_F(RetainedPictureTest, ANewScaleOrAnotherClipPaintsThePictureAfresh)
{
    faded->setAlpha(0.5f);
    Renderer::shared().renderScreen();
    // A change beside the faded view damages less of the screen than the fade does: the picture
    // is cut by another clip, and painted for it.
    auto beside = makeView({ { 90, 90 }, { 5, 5 } }, UIColor::blueColor());
    window->addSubview(beside);
    Renderer::shared().renderScreen();
    int before = node->paints;
    node->setBackgroundColor(UIColor::blackColor());
    EXPECT_TRUE(screenMatchesWindowSnapshot(*window)) << "a small damage over the picture";
    EXPECT_GT(node->paints, before);

    UIScreen::setMainScreen(std::make_shared<UIScreen>(CGSizeMake(100, 100), 2.0f));
    before = node->paints;
    Renderer::shared().renderScreen();
    EXPECT_GT(node->paints, before) << "a new scale";
    faded->setAlpha(0.6f);
    EXPECT_TRUE(screenMatchesWindowSnapshot(*window)) << "at the new scale";
}

// The tracker's account of what changed inside each view's picture, frame by frame.
class ContentDamageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Clock::setCurrent(clock);
        window = makeView<UIWindow>({ { 0, 0 }, { 100, 100 } }, UIColor::whiteColor());
        parent = makeView({ { 10, 10 }, { 50, 50 } });
        child = makeView({ { 5, 5 }, { 10, 10 } }, UIColor::redColor());
        parent->addSubview(child);
        window->addSubview(parent);
        windows = { window };
    }
    // One frame; answers the screen's damage.
    PixelRect frame()
    {
        tracker.collect(windows, grid, ++number, records);
        tracker.redraw();
        return tracker.take();
    }
    PixelRect contentOf(UIView& view) { return records.of(view).contentDamage(number); }

    std::shared_ptr<VirtualClock> clock = std::make_shared<VirtualClock>(1'800'000'000.0);
    std::shared_ptr<UIWindow> window;
    std::shared_ptr<UIView> parent, child;
    std::vector<std::shared_ptr<UIWindow>> windows;
    compositor::PixelGrid grid { 1, { 0, 0, 100, 100 } };
    DamageTracker tracker;
    ViewRecords records;
    std::uint64_t number = 0;
};

TEST_F(ContentDamageTest, OnlyChangesBelowAViewChangeItsPicture)
{
    frame();
    EXPECT_TRUE(tracker.picturesStale()) << "the first frame has no pictures before it";
    EXPECT_FALSE(contentOf(*parent).isEmpty());
    EXPECT_TRUE(frame().isEmpty());
    EXPECT_FALSE(tracker.picturesStale());

    // The parent's own fade: the screen changes, its picture does not; its window's does.
    UIView::animateWithDuration(1.0, [&] { parent->setAlpha(0.0f); });
    frame();
    clock->setMonotonicNow(0.5);
    EXPECT_FALSE(frame().isEmpty());
    EXPECT_FALSE(tracker.picturesStale());
    EXPECT_TRUE(contentOf(*parent).isEmpty());
    EXPECT_TRUE(contentOf(*child).isEmpty()) << "an alpha handed down changes no picture";
    const PixelRect inWindow = contentOf(*window);
    EXPECT_LE(inWindow.x, 10);
    EXPECT_GE(inWindow.x + inWindow.width, 60);

    // The child moves: its old and new places, in its parent's picture and the window's.
    child->setFrame({ { 30, 30 }, { 10, 10 } });
    frame();
    const PixelRect moved = contentOf(*parent);
    EXPECT_LE(moved.x, 15);
    EXPECT_GE(moved.x + moved.width, 50);
    EXPECT_EQ(contentOf(*window), moved);

    // Hidden, or let go of: where it went is not known to any picture.
    child->setHidden(true);
    frame();
    EXPECT_TRUE(tracker.picturesStale());
    frame();
    EXPECT_FALSE(tracker.picturesStale());
    child->setHidden(false);
    frame();
    child->removeFromSuperview();
    child.reset();
    frame();
    EXPECT_TRUE(tracker.picturesStale());

    // Asked to be stale, for one frame.
    frame();
    tracker.setPicturesStale();
    frame();
    EXPECT_TRUE(tracker.picturesStale());
    frame();
    EXPECT_FALSE(tracker.picturesStale());
}

TEST(LayerPool, APictureIsKeptForTheSameKeyWhileNothingChangedAndGivenBackWhenUnused)
{
    LayerPool pool;
    const auto a = std::make_shared<UIView>(), b = std::make_shared<UIView>();
    const LayerPool::Key key { a.get(), { { 0, 0, 8, 8 } }, { 1, 0, 0, 1, 0, 0 }, { { 1, 1, 4, 4 } }, nullptr, {} };
    LayerPool::Picture first = pool.acquire(key, 8, 8, true);
    ASSERT_TRUE(first.surface);
    EXPECT_FALSE(first.current) << "nothing painted yet";
    pool.endFrame();

    LayerPool::Picture again = pool.acquire(key, 8, 8, true);
    EXPECT_TRUE(again.current);
    EXPECT_EQ(again.surface, first.surface);
    LayerPool::Picture other = pool.acquire({ b.get(), key.clip, key.matrix, key.painted, nullptr, {} }, 8, 8, true);
    EXPECT_FALSE(other.current) << "each view has a picture of its own";
    EXPECT_NE(other.surface, again.surface);
    EXPECT_EQ(pool.size(), 2u);
    pool.endFrame();

    // Something changed inside, or the picture is cut another way: painted again.
    LayerPool::Picture changed = pool.acquire(key, 8, 8, false);
    EXPECT_FALSE(changed.current);
    EXPECT_EQ(changed.surface, first.surface) << "on the same surface";
    pool.endFrame();
    LayerPool::Key moved = key;
    moved.matrix[4] = 0.5;
    EXPECT_FALSE(pool.acquire(moved, 8, 8, true).current);
    EXPECT_EQ(pool.size(), 1u) << "the picture of a view no frame asked for was given back";
    pool.endFrame();
    EXPECT_FALSE(pool.acquire(moved, 9, 8, true).current) << "another size";
    pool.endFrame();
    pool.endFrame();
    EXPECT_EQ(pool.size(), 0u);
}

} // namespace

namespace {

// The screen, as a picture, with a translucent drawing across coloured views, all inside a view
// that clips at the given width.
std::shared_ptr<UIImage> drawingOverColours(CGFloat clipWidth)
{
    auto window = makeView<UIWindow>({ { 0, 0 }, { 100, 100 } }, UIColor::whiteColor());
    window->makeKeyAndVisible();
    auto box = makeView({ { 0, 0 }, { clipWidth, 100 } });
    box->setClipsToBounds(true);
    box->addSubview(makeView({ { 10, 10 }, { 30, 60 } }, UIColor::colorWithRed(0.2f, 0.6f, 0.9f, 1)));
    box->addSubview(makeView({ { 35, 20 }, { 40, 30 } }, UIColor::colorWithRed(0.9f, 0.1f, 0.3f, 0.7f)));
    auto stroke = makeView<StrokeView>({ { 0, 0 }, { 90, 90 } });
    stroke->end = { 80, 75 };
    box->addSubview(stroke);
    window->addSubview(box);
    Renderer::shared().setNeedsFullRedraw();
    Renderer::shared().renderScreen();
    return Renderer::shared().frameBuffer().toImage(3);
}

} // namespace

TEST(RetainedDrawing, ComposedByItsPixelsItComesOutAsCairoComposesIt)
{
    Clock::setCurrent(std::make_shared<VirtualClock>(1'800'000'000.0));
    UIScreen::setMainScreen(std::make_shared<UIScreen>(CGSizeMake(100, 100), 3.0f));
    // A clip on whole pixels lets the compositor blend the drawing itself; one that cuts a pixel
    // leaves it to cairo. Away from that edge both must agree on every byte.
    const auto ours = drawingOverColours(100);
    const auto cairos = drawingOverColours(99.9f);
    ASSERT_TRUE(ours && cairos);
    int differing = 0, painted = 0;
    for (int y = 0; y < 300; ++y)
        for (int x = 0; x < 290; ++x) {
            differing += ours->pixelAt(x, y) != cairos->pixelAt(x, y);
            painted += ours->pixelAt(x, y) != 0xffffffffu;
        }
    EXPECT_EQ(differing, 0);
    EXPECT_GT(painted, 1000) << "the drawing and the views show";
}
