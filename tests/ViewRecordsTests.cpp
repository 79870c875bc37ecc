#include "PixelProbe.h"

#include "platform/compositor/Renderer.h"
#include "platform/compositor/ViewRecords.h"
#include "platform/foundation/Clock.h"
#include "platform/graphics/UIColor.h"
#include "platform/graphics/UIImage.h"
#include "platform/ui/UIScreen.h"
#include "platform/ui/UIWindow.h"

#include <gtest/gtest.h>

using pixel_probe::near;
using pixel_probe::Pixel;

namespace {

const Pixel kWhite { 255, 255, 255, 255 };
const Pixel kBlue { 255, 0, 0, 255 };

std::shared_ptr<UIView> plainView(CGRect frame)
{
    auto view = alloc<UIView>();
    view->initWithFrame(frame);
    return view;
}

// Counts its drawRect calls and fills its bounds with blue.
class BlueView : public UIView {
public:
    bool drawsContent() const override { return true; }
    void drawRect(CGRect rect) override
    {
        UIView::drawRect(rect);
        ++draws;
        UIColor::blueColor()->setFill();
        CGContextFillRect(UIGraphicsGetCurrentContext(), bounds());
    }
    int draws = 0;
};

} // namespace

TEST(ViewRecords, ARecordLastsAsLongAsItsViewAndThenTellsWhereItWasShown)
{
    ViewRecords records;
    auto shown = plainView(CGRectMake(0, 0, 10, 10));
    auto neverShown = plainView(CGRectMake(0, 0, 10, 10));
    auto stays = plainView(CGRectMake(0, 0, 10, 10));
    EXPECT_EQ(records.find(*shown), nullptr) << "finding makes nothing";
    records.of(*shown).setShown({ 7, CGRectMake(1, 2, 3, 4), 1.0f, CGRectMake(1, 2, 3, 4) });
    records.of(*neverShown);
    records.of(*stays).setShown({ 7, CGRectMake(5, 5, 5, 5), 1.0f, CGRectMake(5, 5, 5, 5) });
    EXPECT_EQ(records.find(*shown), &records.of(*shown)) << "one record per view";
    EXPECT_EQ(records.of(*shown).shown().frame, 7u);
    EXPECT_EQ(records.size(), 3u);

    // Nothing is held: the views go when their owners let go, and pruning forgets them.
    std::weak_ptr<UIView> watched = shown;
    shown.reset();
    neverShown.reset();
    EXPECT_TRUE(watched.expired());
    records.prune();
    EXPECT_EQ(records.size(), 1u);
    ASSERT_NE(records.find(*stays), nullptr);
    const auto vanished = records.takeVanished();
    ASSERT_EQ(vanished.size(), 1u) << "a view never shown left nothing to clear";
    EXPECT_EQ(vanished[0].frame, 7u);
    EXPECT_TRUE(vanished[0].screenRect == CGRectMake(1, 2, 3, 4));
    EXPECT_TRUE(records.takeVanished().empty()) << "told once";
    records.clear();
    EXPECT_EQ(records.find(*stays), nullptr);
}

class ViewRecordsFrames : public ::testing::Test {
protected:
    void SetUp() override
    {
        Clock::setCurrent(std::make_shared<VirtualClock>(1'800'000'000.0));
        UIScreen::setMainScreen(std::make_shared<UIScreen>(CGSizeMake(100, 100), 1.0f));
        window = alloc<UIWindow>();
        window->initWithFrame(CGRectMake(0, 0, 100, 100));
        window->setBackgroundColor(UIColor::whiteColor());
        window->makeKeyAndVisible();
    }
    Pixel probe(int x, int y)
    {
        Renderer::shared().renderScreen();
        return pixel_probe::unpack(Renderer::shared().frameBuffer().pixelAt(x, y));
    }
    // Whether the frame just composed is what composing the whole screen gives.
    bool matchesFullRedraw()
    {
        Renderer& renderer = Renderer::shared();
        renderer.renderScreen();
        auto incremental = renderer.frameBuffer().toImage(1);
        renderer.setNeedsFullRedraw();
        renderer.renderScreen();
        auto full = renderer.frameBuffer().toImage(1);
        for (int y = 0; y < full->pixelHeight(); ++y)
            for (int x = 0; x < full->pixelWidth(); ++x)
                if (incremental->pixelAt(x, y) != full->pixelAt(x, y))
                    return false;
        return true;
    }

    std::shared_ptr<UIWindow> window;
};

// The drawing view hangs off a small holder, far outside it: taking the holder's child out marks
// only the holder changed, so what the drawing leaves is found from the records alone.
TEST_F(ViewRecordsFrames, AViewLetGoOfIsClearedWhereItWasAndADrawingTakenOutIsKept)
{
    auto holder = plainView(CGRectMake(0, 0, 10, 10));
    window->addSubview(holder);
    auto box = plainView(CGRectMake(0, 0, 5, 5));
    auto view = alloc<BlueView>();
    view->initWithFrame(CGRectMake(40, 40, 30, 30));
    box->addSubview(view);
    holder->addSubview(box);
    EXPECT_TRUE(near(probe(50, 50), kBlue));
    EXPECT_EQ(view->draws, 1);

    // Out of the window and back: the view lived on, and so did its drawing.
    box->removeFromSuperview();
    EXPECT_TRUE(near(probe(50, 50), kWhite));
    holder->addSubview(box);
    EXPECT_TRUE(near(probe(50, 50), kBlue));
    EXPECT_EQ(view->draws, 1);

    // Gone for good between two frames: nothing of it stays on screen, and a view made in its
    // place starts from nothing of the old one.
    std::weak_ptr<UIView> watched = view;
    box->removeFromSuperview();
    box.reset();
    view.reset();
    EXPECT_TRUE(watched.expired());
    EXPECT_TRUE(near(probe(50, 50), kWhite));
    EXPECT_TRUE(matchesFullRedraw());
    auto next = alloc<BlueView>();
    next->initWithFrame(CGRectMake(60, 60, 20, 20));
    holder->addSubview(next);
    EXPECT_TRUE(near(probe(70, 70), kBlue));
    EXPECT_EQ(next->draws, 1);
    EXPECT_TRUE(matchesFullRedraw());
}

TEST_F(ViewRecordsFrames, SnapshotsAndScreenFramesShareOneDrawing)
{
    auto first = alloc<BlueView>();
    first->initWithFrame(CGRectMake(0, 0, 50, 50));
    window->addSubview(first);
    // Drawn for a snapshot before any frame: the frame that follows finds it up to date.
    ASSERT_TRUE(Renderer::snapshotWindow(*window));
    EXPECT_EQ(first->draws, 1);
    EXPECT_TRUE(near(probe(10, 10), kBlue));
    EXPECT_EQ(first->draws, 1);
    // And the other way round.
    auto second = alloc<BlueView>();
    second->initWithFrame(CGRectMake(50, 50, 50, 50));
    window->addSubview(second);
    EXPECT_TRUE(near(probe(60, 60), kBlue));
    const auto shot = Renderer::snapshotWindow(*window);
    ASSERT_TRUE(shot);
    EXPECT_EQ(second->draws, 1);
    EXPECT_TRUE(near(pixel_probe::at(*shot, 60, 60), kBlue));
}
