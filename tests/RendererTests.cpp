#include "DrawingTestSupport.h"
#include "PixelProbe.h"

#include "platform/backends/HeadlessBackend.h"
#include "platform/compositor/Renderer.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/NSRunLoop.h"
#include "platform/graphics/UIBezierPath.h"
#include "platform/graphics/GraphicsState.h"
#include "platform/graphics/UIColor.h"
#include "platform/graphics/UIFont.h"
#include "platform/graphics/UIImage.h"
#include "platform/ui/UIButton.h"
#include "platform/ui/UIImageView.h"
#include "platform/ui/UILabel.h"
#include "platform/ui/UIScreen.h"
#include "platform/ui/UIViewAnimator.h"
#include "platform/ui/UIWindow.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <unistd.h>

using pixel_probe::near;
using pixel_probe::Pixel;

namespace {

const Pixel kWhite { 255, 255, 255, 255 };
const Pixel kRed { 255, 255, 0, 0 };
const Pixel kBlue { 255, 0, 0, 255 };
const Pixel kBlack { 255, 0, 0, 0 };

// Counts its drawRect calls and paints a blue bar across its top half.
class CountingView : public UIView {
public:
    bool drawsContent() const override { return true; }
    void drawRect(CGRect rect) override
    {
        UIView::drawRect(rect);
        ++draws;
        UIColor::blueColor()->setFill();
        CGContextFillRect(UIGraphicsGetCurrentContext(), { { 0, 0 }, { bounds().size.width, bounds().size.height / 2 } });
    }
    int draws = 0;
};

template <class T = UIView> std::shared_ptr<T> makeView(CGRect frame, std::shared_ptr<UIColor> background = nullptr)
{
    auto view = std::make_shared<T>();
    view->initWithFrame(frame);
    view->setBackgroundColor(std::move(background));
    return view;
}

class RendererTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Clock::setCurrent(std::make_shared<VirtualClock>(1'800'000'000.0));
        UIScreen::setMainScreen(std::make_shared<UIScreen>(CGSizeMake(100, 100), 1.0f));
        window = makeView<UIWindow>({ { 0, 0 }, { 100, 100 } }, UIColor::whiteColor());
        window->makeKeyAndVisible();
    }
    // The screen pixel at a point, after rendering what changed.
    Pixel probe(int x, int y)
    {
        Renderer::shared().renderScreen();
        return pixel_probe::unpack(Renderer::shared().frameBuffer().pixelAt(x, y));
    }

    std::shared_ptr<UIWindow> window;
};

TEST_F(RendererTest, AlphaFadesAViewAndItsChildrenAsOnePicture)
{
    auto parent = makeView({ { 10, 10 }, { 80, 80 } });
    parent->addSubview(makeView({ { 0, 0 }, { 50, 50 } }, UIColor::redColor()));
    parent->addSubview(makeView({ { 30, 30 }, { 50, 50 } }, UIColor::redColor()));
    window->addSubview(parent);
    parent->setAlpha(0.5f);

    const Pixel half { 255, 255, 128, 128 }; // half red over white
    EXPECT_TRUE(near(probe(20, 20), half));
    EXPECT_TRUE(near(probe(50, 50), half)) << "where the children overlap";
    EXPECT_TRUE(near(probe(80, 80), half));
    EXPECT_TRUE(near(probe(80, 15), kWhite)) << "the parent itself has no background";

    // The window's own alpha fades the whole window over what is behind it (here the black screen).
    window->setAlpha(0.5f);
    EXPECT_TRUE(near(probe(5, 5), { 255, 128, 128, 128 }));
    EXPECT_TRUE(near(probe(50, 50), { 255, 128, 64, 64 }));
    window->setAlpha(0.0f);
    EXPECT_TRUE(near(probe(50, 50), kBlack));
}

TEST_F(RendererTest, HiddenViewsAndStackingOrder)
{
    auto below = makeView({ { 10, 10 }, { 40, 40 } }, UIColor::redColor());
    auto above = makeView({ { 30, 30 }, { 40, 40 } }, UIColor::blueColor());
    window->addSubview(below);
    window->addSubview(above);
    EXPECT_TRUE(near(probe(40, 40), kBlue)) << "the later sibling lies above";
    EXPECT_TRUE(near(probe(20, 20), kRed));
    window->bringSubviewToFront(below);
    EXPECT_TRUE(near(probe(40, 40), kRed));

    // Hiding a parent hides its children; showing it brings them back.
    auto holder = makeView({ { 0, 60 }, { 100, 40 } });
    holder->addSubview(makeView({ { 5, 5 }, { 20, 20 } }, UIColor::blueColor()));
    window->addSubview(holder);
    EXPECT_TRUE(near(probe(10, 70), kBlue));
    holder->setHidden(true);
    EXPECT_TRUE(near(probe(10, 70), kWhite));
    holder->setHidden(false);
    EXPECT_TRUE(near(probe(10, 70), kBlue));

    // A second window shown later lies above the first; hiding it uncovers the first again.
    auto front = makeView<UIWindow>({ { 50, 0 }, { 50, 100 } }, UIColor::greenColor());
    front->makeKeyAndVisible();
    EXPECT_TRUE(near(probe(75, 50), { 255, 0, 255, 0 }));
    EXPECT_TRUE(near(probe(25, 50), kWhite));
    front->setAlpha(0.5f);
    EXPECT_TRUE(near(probe(75, 5), { 255, 128, 255, 128 })) << "half green over the white window";
    front->setHidden(true);
    EXPECT_TRUE(near(probe(75, 5), kWhite));
    window->makeKeyAndVisible();
}

TEST_F(RendererTest, TransformsTurnAboutTheCentreAndClipsCut)
{
    auto view = makeView({ { 40, 40 }, { 20, 20 } }, UIColor::redColor());
    window->addSubview(view);
    EXPECT_TRUE(near(probe(35, 50), kWhite));
    view->setTransform(CGAffineTransformMakeScale(2, 2));
    EXPECT_TRUE(near(probe(35, 50), kRed)) << "scaled about its centre (50, 50)";
    EXPECT_TRUE(near(probe(65, 65), kRed));
    EXPECT_TRUE(near(probe(72, 50), kWhite));
    view->setTransform(CGAffineTransformMakeTranslation(30, 0));
    EXPECT_TRUE(near(probe(85, 50), kRed));
    EXPECT_TRUE(near(probe(45, 50), kWhite)) << "the old place is redrawn";
    // A transform that collapses the view draws nothing and breaks nothing.
    view->setTransform(CGAffineTransformMakeScale(0, 1));
    EXPECT_TRUE(near(probe(85, 50), kWhite));
    view->setTransform(CGAffineTransformIdentity);
    EXPECT_TRUE(near(probe(50, 50), kRed));

    // A child sticking out of its parent shows unless the parent clips.
    auto parent = makeView({ { 0, 0 }, { 30, 30 } });
    parent->addSubview(makeView({ { 20, 0 }, { 20, 10 } }, UIColor::blueColor()));
    window->addSubview(parent);
    EXPECT_TRUE(near(probe(35, 5), kBlue));
    parent->setClipsToBounds(true);
    EXPECT_TRUE(near(probe(35, 5), kWhite));
    EXPECT_TRUE(near(probe(25, 5), kBlue));
}

TEST_F(RendererTest, DrawRectRunsOncePerRequestAndIsKept)
{
    auto view = makeView<CountingView>({ { 0, 0 }, { 100, 40 } });
    window->addSubview(view);
    EXPECT_EQ(view->draws, 0) << "nothing is drawn before a frame";
    EXPECT_TRUE(near(probe(50, 10), kBlue));
    EXPECT_EQ(view->draws, 1);
    EXPECT_TRUE(near(probe(50, 30), kWhite));

    // Frames that redraw around the view reuse its drawing.
    auto other = makeView({ { 0, 60 }, { 10, 10 } }, UIColor::redColor());
    window->addSubview(other);
    other->setBackgroundColor(UIColor::greenColor());
    Renderer::shared().setNeedsFullRedraw();
    EXPECT_TRUE(near(probe(50, 10), kBlue));
    EXPECT_EQ(view->draws, 1);

    view->setNeedsDisplay();
    view->setNeedsDisplay();
    EXPECT_TRUE(near(probe(50, 10), kBlue));
    EXPECT_EQ(view->draws, 2) << "two requests before a frame bring one drawRect";
    probe(0, 0);
    EXPECT_EQ(view->draws, 2);

    // A hidden view is not drawn until it shows again.
    view->setHidden(true);
    view->setNeedsDisplay();
    EXPECT_TRUE(near(probe(50, 10), kWhite));
    EXPECT_EQ(view->draws, 2);
    view->setHidden(false);
    EXPECT_TRUE(near(probe(50, 10), kBlue));
    EXPECT_EQ(view->draws, 3);

    // A background colour lies under the drawing, not over it, and needs no new drawRect.
    view->setBackgroundColor(UIColor::redColor());
    EXPECT_TRUE(near(probe(50, 10), kBlue));
    EXPECT_TRUE(near(probe(50, 30), kRed));
    EXPECT_EQ(view->draws, 3);
}

// Renders what changed, then the whole screen from scratch, and answers whether both agree.
::testing::AssertionResult damageMatchesFullRedraw()
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
                return ::testing::AssertionFailure() << "stale pixel at " << x << "," << y;
    return ::testing::AssertionSuccess();
}

TEST_F(RendererTest, OnlyTheDamagedPartIsComposedAndNothingGoesStale)
{
    Renderer& renderer = Renderer::shared();
    auto view = makeView({ { 10, 10 }, { 10, 10 } }, UIColor::redColor());
    window->addSubview(view);
    EXPECT_EQ(renderer.renderScreen(), (PixelRect { 0, 0, 100, 100 }));
    EXPECT_TRUE(renderer.renderScreen().isEmpty()) << "nothing changed";

    view->setBackgroundColor(UIColor::blueColor());
    const PixelRect damage = renderer.renderScreen();
    EXPECT_LE(damage.x, 10);
    EXPECT_GE(damage.x + damage.width, 20);
    EXPECT_LT(damage.width * damage.height, 20 * 20) << "a small change re-composes a small area";

    view->setFrame({ { 60, 60 }, { 10, 10 } });
    EXPECT_TRUE(damageMatchesFullRedraw()) << "after a move";
    auto child = makeView({ { 5, 5 }, { 30, 3 } }, UIColor::greenColor());
    view->addSubview(child);
    EXPECT_TRUE(damageMatchesFullRedraw()) << "a child reaching outside its parent";
    view->setAlpha(0.4f);
    EXPECT_TRUE(damageMatchesFullRedraw()) << "after a fade of the parent";
    child->removeFromSuperview();
    EXPECT_TRUE(damageMatchesFullRedraw()) << "after a removal";
    view->setHidden(true);
    EXPECT_TRUE(damageMatchesFullRedraw()) << "after hiding";
    view->setHidden(false);

    // An animation shows its way from old to new values, frame by frame.
    UIView::animateWithDuration(1.0, [&] { view->setAlpha(1.0f); view->setTransform(CGAffineTransformMakeTranslation(-40, 0)); });
    HeadlessBackend backend;
    backend.advance(0.5);
    EXPECT_TRUE(UIViewAnimator::shared().hasAnimationsInFlight());
    EXPECT_TRUE(damageMatchesFullRedraw()) << "halfway through";
    const Pixel midway = probe(45, 65);
    EXPECT_GT(midway.b, 0) << "the view is on its way: " << midway;
    backend.advance(0.6);
    EXPECT_FALSE(UIViewAnimator::shared().hasAnimationsInFlight());
    EXPECT_TRUE(damageMatchesFullRedraw()) << "at the end";
    EXPECT_TRUE(near(probe(25, 65), kBlue));
    EXPECT_TRUE(near(probe(65, 65), kWhite));
}

TEST_F(RendererTest, ImagesButtonsAndLabelsAtScaleTwo)
{
    UIScreen::setMainScreen(std::make_shared<UIScreen>(CGSizeMake(100, 100), 2.0f));
    EXPECT_EQ(Renderer::snapshotScreen()->pixelWidth(), 200) << "pixels are points times the scale";

    const auto solid = drawing_test::solidImage;
    auto imageView = std::make_shared<UIImageView>();
    imageView->initWithImage(solid(UIColor::redColor(), { 2, 2 }));
    imageView->setFrame({ { 0, 0 }, { 20, 20 } });
    window->addSubview(imageView);

    auto button = UIButton::buttonWithType(UIButtonType::Custom);
    button->setFrame({ { 40, 0 }, { 30, 30 } });
    button->setImage(solid(UIColor::blueColor(), { 10, 10 }), UIControlStateNormal);
    button->setImage(solid(UIColor::greenColor(), { 10, 10 }), UIControlStateSelected);
    window->addSubview(button);

    auto image = Renderer::snapshotScreen();
    EXPECT_TRUE(near(pixel_probe::at(*image, 1, 1), kRed)) << "the image fills the view";
    EXPECT_TRUE(near(pixel_probe::at(*image, 38, 38), kRed));
    EXPECT_TRUE(near(pixel_probe::at(*image, 110, 30), kBlue)) << "the button's image is centred";
    EXPECT_TRUE(near(pixel_probe::at(*image, 99, 30), kWhite)) << "and keeps its own size";
    EXPECT_TRUE(near(pixel_probe::at(*image, 110, 41), kWhite));
    button->setSelected(true);
    EXPECT_TRUE(near(pixel_probe::at(*Renderer::snapshotScreen(), 110, 30), { 255, 0, 255, 0 })) << "the selected image";

    // A one-line label: orange text centred in its bounds, nothing painted outside them.
    auto label = std::make_shared<UILabel>();
    label->initWithFrame({ { 0, 50 }, { 100, 30 } });
    label->setTextAlignment(NSTextAlignment::Center);
    label->setTextColor(UIColor::orangeColor());
    label->setLineBreakMode(NSLineBreakMode::ByCharWrapping);
    label->setFont(UIFont::systemFontOfSize(20));
    label->setText(std::string("Hi"));
    window->addSubview(label);
    auto inked = [](const UIImage& picture, int top, int bottom, double& centreX, double& centreY) {
        double count = 0, sumX = 0, sumY = 0;
        for (int y = top; y < bottom; ++y)
            for (int x = 0; x < picture.pixelWidth(); ++x) {
                const Pixel p = pixel_probe::at(picture, x, y);
                if (p.b < 128 && p.r > 128) { // orange, not white
                    count += 1;
                    sumX += x;
                    sumY += y;
                }
            }
        centreX = count ? sumX / count : -1;
        centreY = count ? sumY / count : -1;
        return count;
    };
    double cx = 0, cy = 0;
    auto shot = Renderer::snapshotScreen();
    EXPECT_GT(inked(*shot, 90, 170, cx, cy), 50);
    EXPECT_NEAR(cx, 100, 6) << "centred across";
    EXPECT_NEAR(cy, 130, 8) << "centred up and down";

    // Too long for one line: cut at a character, never wrapped onto a second line below the label.
    label->setText(std::string("Wrong Passcode.try again and again"));
    shot = Renderer::snapshotScreen();
    EXPECT_GT(inked(*shot, 100, 160, cx, cy), 100);
    EXPECT_EQ(inked(*shot, 160, 200, cx, cy), 0);
    label->setText(std::string("密码错误，请重输"));
    EXPECT_GT(inked(*Renderer::snapshotScreen(), 100, 160, cx, cy), 100) << "Chinese text has glyphs";
}

// A label is laid out once and drawn from that layout again; whatever it was laid out from
// changing (its text, its width, where it lies) lays it out anew, as a label never seen before.
TEST_F(RendererTest, ALabelLaidOutOnceLooksAsOneLaidOutAfresh)
{
    UIScreen::setMainScreen(std::make_shared<UIScreen>(CGSizeMake(100, 100), 2.0f));
    auto label = makeView<UILabel>({ { 0, 20 }, { 100, 30 } });
    label->setTextColor(UIColor::orangeColor());
    label->setFont(UIFont::systemFontOfSize(14));
    window->addSubview(label);
    auto& layouts = GraphicsState::current().textLayouts();
    // The screen as drawn now, and as drawn with nothing kept from before.
    const auto sameAsFresh = [&] {
        const auto kept = Renderer::snapshotScreen();
        layouts.clear();
        Renderer::shared().setNeedsFullRedraw();
        return drawing_test::samePixels(kept, Renderer::snapshotScreen());
    };
    label->setText(std::string("Draw the pattern"));
    Renderer::snapshotScreen();
    const std::size_t laidOut = layouts.size();
    Renderer::shared().setNeedsFullRedraw();
    Renderer::snapshotScreen();
    EXPECT_EQ(layouts.size(), laidOut) << "drawn again from the same layout";
    label->setText(std::string("Wrong pattern, try again"));
    EXPECT_TRUE(sameAsFresh()) << "new text";
    label->setFrame({ { 0, 20 }, { 60, 30 } });
    EXPECT_TRUE(sameAsFresh()) << "a narrower label truncates anew";
    label->setFrame({ { 7, 41 }, { 60, 30 } });
    EXPECT_TRUE(sameAsFresh()) << "moved";
    label->setFrame({ { 0, 20 }, { 100, 30 } });
    label->setText(std::string("Draw the pattern"));
    EXPECT_TRUE(sameAsFresh()) << "back as it was";

    for (int i = 0; i < 200; ++i) {
        label->setText("label " + std::to_string(i));
        Renderer::shared().renderScreen();
    }
    EXPECT_LE(layouts.size(), TextLayoutCache::kCapacity) << "kept layouts are bounded";
}

TEST_F(RendererTest, ScreenAndWindowSnapshotsAsPNG)
{
    window->addSubview(makeView({ { 0, 0 }, { 50, 100 } }, UIColor::redColor()));
    auto path = std::filesystem::temp_directory_path() / ("glyphward-screen-" + std::to_string(::getpid()) + ".png");
    ASSERT_TRUE(Renderer::writeScreenPNG(path.string()));
    auto read = UIImage::imageWithPNGFile(path.string(), 1);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->pixelWidth(), 100);
    EXPECT_TRUE(near(pixel_probe::at(*read, 10, 10), kRed));
    EXPECT_TRUE(near(pixel_probe::at(*read, 90, 10), kWhite));
    std::filesystem::remove(path);

    // A window alone, whatever its alpha and place on screen.
    window->setAlpha(0.0f);
    window->setFrame({ { 30, 30 }, { 100, 100 } });
    auto alone = Renderer::snapshotWindow(*window);
    ASSERT_TRUE(alone);
    EXPECT_TRUE(near(pixel_probe::at(*alone, 10, 10), kRed));
    EXPECT_TRUE(near(pixel_probe::at(*Renderer::snapshotScreen(), 50, 50), kBlack));
    EXPECT_FALSE(Renderer::writeWindowPNG(*window, "/nonexistent-dir/x.png"));
}

TEST_F(RendererTest, AWindowSnapshotDoesNotHideANewScaleFromTheNextFrame)
{
    ASSERT_TRUE(near(probe(75, 75), kWhite));
    // The same 100 × 100 pixels at half a pixel per point: the window covers a quarter of them.
    UIScreen::setMainScreen(std::make_shared<UIScreen>(CGSizeMake(200, 200), 0.5f));
    ASSERT_TRUE(Renderer::snapshotWindow(*window));
    EXPECT_TRUE(near(probe(25, 25), kWhite));
    EXPECT_TRUE(near(probe(75, 75), kBlack));
}
} // namespace

namespace {

// A translucent polyline that, like the lock's trail, asks to redraw only the box of its old
// and new points (plus the pen), and records the rectangles drawRect was given.
class TrailView : public UIView {
public:
    bool drawsContent() const override { return true; }
    void setPoints(std::vector<CGPoint> points)
    {
        // The segments from the last point both share onward are all that change.
        std::size_t same = 0;
        while (same < points.size() && same < points_.size() && points[same] == points_[same])
            ++same;
        const std::size_t from = same > 0 ? same - 1 : 0;
        const CGRect before = box(from);
        points_ = std::move(points);
        setNeedsDisplayInRect(CGRectUnion(before, box(from)));
    }
    void drawRect(CGRect rect) override
    {
        asked.push_back(rect);
        if (points_.empty())
            return;
        auto path = UIBezierPath::bezierPath();
        path->moveToPoint(points_.front());
        for (std::size_t i = 1; i < points_.size(); ++i)
            path->addLineToPoint(points_[i]);
        path->setLineWidth(kPen);
        path->setLineJoinStyle(CGLineJoin::Round);
        path->setLineCapStyle(CGLineCap::Round);
        UIColor::orangeColor()->colorWithAlphaComponent(0.3f)->setStroke();
        path->stroke();
    }
    std::vector<CGRect> asked;

private:
    static constexpr CGFloat kPen = 4;
    CGRect box(std::size_t from) const
    {
        CGRect r {};
        for (std::size_t i = from; i < points_.size(); ++i)
            r = CGRectUnion(r, CGRectInset({ points_[i], { 0, 0 } }, -kPen, -kPen));
        return r;
    }
    std::vector<CGPoint> points_;
};

std::shared_ptr<UIImage> solidImage(const std::shared_ptr<UIColor>& color, CGSize size)
{
    UIGraphicsBeginImageContext(size);
    CGContextSetFillColorWithColor(UIGraphicsGetCurrentContext(), color.get());
    CGContextFillRect(UIGraphicsGetCurrentContext(), { {}, size });
    auto image = UIGraphicsGetImageFromCurrentImageContext();
    UIGraphicsEndImageContext();
    return image;
}

// The screen as it stands, then as drawn from nothing (every retained drawing redone, every
// pixel composed), compared pixel by pixel.
::testing::AssertionResult partialMatchesRedrawFromScratch(const std::vector<std::shared_ptr<UIView>>& drawing)
{
    Renderer& renderer = Renderer::shared();
    renderer.renderScreen();
    auto partial = renderer.frameBuffer().toImage(1);
    for (const auto& view : drawing)
        view->setNeedsDisplay();
    renderer.setNeedsFullRedraw();
    renderer.renderScreen();
    auto full = renderer.frameBuffer().toImage(1);
    // Cairo's scan converter rounds the coverage of an edge pixel a few units differently when
    // other edges share its row or a clip cuts the path; a stale trail is off by dozens.
    for (int y = 0; y < full->pixelHeight(); ++y)
        for (int x = 0; x < full->pixelWidth(); ++x)
            if (!near(pixel_probe::at(*partial, x, y), pixel_probe::at(*full, x, y), 6))
                return ::testing::AssertionFailure() << "stale pixel at " << x << "," << y << ": " << pixel_probe::at(*partial, x, y)
                                                     << " instead of " << pixel_probe::at(*full, x, y);
    return ::testing::AssertionSuccess();
}

} // namespace

TEST_F(RendererTest, APartialRedrawOfATrailEqualsAFullOne)
{
    // Three pixels a point, so rounding between points and pixels matters.
    UIScreen::setMainScreen(std::make_shared<UIScreen>(CGSizeMake(100, 100), 3.0f));
    Renderer& renderer = Renderer::shared();
    auto trail = makeView<TrailView>({ { 0, 0 }, { 100, 100 } });
    auto node = makeView({ { 40.3f, 40.3f }, { 9.5f, 9.5f } }, UIColor::blueColor());
    window->addSubview(node);
    window->addSubview(trail);
    renderer.renderScreen();
    ASSERT_EQ(trail->asked.size(), 1u);

    trail->setPoints({ { 10, 10 }, { 45.5f, 45.5f }, { 80, 20.25f } });
    EXPECT_TRUE(partialMatchesRedrawFromScratch({ trail })) << "a trail drawn";
    // The loose end wanders: only its box is redrawn and composed again.
    trail->asked.clear();
    trail->setPoints({ { 10, 10 }, { 45.5f, 45.5f }, { 83.7f, 26.1f } });
    const PixelRect changed = renderer.renderScreen();
    ASSERT_EQ(trail->asked.size(), 1u);
    EXPECT_LT(trail->asked[0].size.width * trail->asked[0].size.height, 50 * 50) << "drawRect is told the small rectangle";
    EXPECT_FALSE(changed.isEmpty());
    EXPECT_LT(changed.width * changed.height, 300 * 300 / 4) << "only the loose end is composed";
    EXPECT_TRUE(partialMatchesRedrawFromScratch({ trail })) << "after the end moved";

    trail->setPoints({ { 10, 10 }, { 12.2f, 30.9f } });
    EXPECT_TRUE(partialMatchesRedrawFromScratch({ trail })) << "a trail that shrank";
    trail->setPoints({});
    EXPECT_TRUE(partialMatchesRedrawFromScratch({ trail })) << "a trail that vanished";
    EXPECT_TRUE(near(probe(135, 135), kBlue)) << "the node under the trail shows again";
    EXPECT_TRUE(near(probe(60, 60), kWhite));

    // Requests add up until the next frame; one empty or outside the bounds draws nothing.
    trail->setPoints({ { 90, 90 }, { 95, 60 } });
    trail->setPoints({ { 5, 90 }, { 95, 60 } });
    trail->asked.clear();
    renderer.renderScreen();
    ASSERT_EQ(trail->asked.size(), 1u);
    EXPECT_LE(trail->asked[0].origin.x, 1.0f) << "the union of both requests";
    EXPECT_TRUE(partialMatchesRedrawFromScratch({ trail })) << "after two requests in one frame";
    trail->asked.clear();
    trail->setNeedsDisplayInRect(CGRectZero);
    trail->setNeedsDisplayInRect({ { 200, 200 }, { 10, 10 } });
    renderer.renderScreen();
    EXPECT_TRUE(trail->asked.empty());
    // A rectangle that is no number at all redraws everything, to be safe.
    trail->setNeedsDisplayInRect({ { NAN, 0 }, { 10, 10 } });
    renderer.renderScreen();
    ASSERT_EQ(trail->asked.size(), 1u);
    EXPECT_EQ(trail->asked[0], trail->bounds());
}

TEST_F(RendererTest, AnOccludedWindowShowsWhenTheFrontOneFades)
{
    auto back = makeView({ { 20, 20 }, { 20, 20 } }, UIColor::redColor());
    window->addSubview(back);

    // An opaque picture filling a window in front hides everything behind it.
    auto front = makeView<UIWindow>({ { 0, 0 }, { 100, 100 } });
    auto picture = std::make_shared<UIImageView>();
    picture->initWithImage(solidImage(UIColor::greenColor(), { 50, 50 }));
    picture->setFrame({ { 0, 0 }, { 100, 100 } });
    front->addSubview(picture);
    front->makeKeyAndVisible();
    ASSERT_TRUE(picture->image()->isOpaque());
    EXPECT_TRUE(near(probe(30, 30), { 255, 0, 255, 0 }));

    // Changes behind it while hidden must still show once it fades.
    back->setBackgroundColor(UIColor::blueColor());
    back->setFrame({ { 50, 50 }, { 20, 20 } });
    EXPECT_TRUE(near(probe(60, 60), { 255, 0, 255, 0 }));
    front->setAlpha(0.5f);
    EXPECT_TRUE(damageMatchesFullRedraw()) << "after the fade";
    EXPECT_TRUE(near(probe(60, 60), { 255, 0, 128, 128 }));
    EXPECT_TRUE(near(probe(30, 30), { 255, 128, 255, 128 })) << "the old place of the view shows white again";

    // Halfway through a fade back in, then at its end.
    UIView::animateWithDuration(1.0, [&] { front->setAlpha(1.0f); });
    HeadlessBackend backend;
    backend.advance(0.5);
    EXPECT_TRUE(damageMatchesFullRedraw()) << "halfway through";
    backend.advance(0.6);
    back->setBackgroundColor(UIColor::redColor());
    EXPECT_TRUE(damageMatchesFullRedraw()) << "at the end";
    EXPECT_TRUE(near(probe(60, 60), { 255, 0, 255, 0 }));

    // A picture with one see-through pixel, or moved off the grid, hides nothing.
    UIGraphicsBeginImageContext({ 4, 4 });
    CGContextSetFillColorWithColor(UIGraphicsGetCurrentContext(), UIColor::greenColor().get());
    CGContextFillRect(UIGraphicsGetCurrentContext(), { { 0, 0 }, { 4, 3 } });
    auto holed = UIGraphicsGetImageFromCurrentImageContext();
    UIGraphicsEndImageContext();
    EXPECT_FALSE(holed->isOpaque());
    picture->setImage(holed);
    EXPECT_TRUE(damageMatchesFullRedraw()) << "a picture with a hole";
    EXPECT_TRUE(near(probe(60, 95), kWhite)) << "the window behind shows through the hole";
    picture->setImage(solidImage(UIColor::greenColor(), { 50, 50 }));
    picture->setTransform(CGAffineTransformMakeScale(0.5f, 0.5f));
    EXPECT_TRUE(damageMatchesFullRedraw()) << "a picture scaled down";
    EXPECT_TRUE(near(probe(10, 10), kWhite));
    front->setHidden(true);
    EXPECT_TRUE(damageMatchesFullRedraw()) << "the front window hidden";
}

using drawing_test::screenMatchesWindowSnapshot;

TEST_F(RendererTest, FadedViewsComeOutAsCairoGroupsFrameAfterFrame)
{
    UIScreen::setMainScreen(std::make_shared<UIScreen>(CGSizeMake(100, 100), 3.0f));
    // Off the pixel grid, with nothing of its own: the picture holds only what its children paint.
    auto faded = makeView({ { 7.3f, 11.6f }, { 80, 70 } });
    faded->addSubview(makeView({ { 5, 5 }, { 20, 10 } }, UIColor::redColor()));
    auto picture = std::make_shared<UIImageView>();
    picture->initWithImage(solidImage(UIColor::greenColor(), { 25, 25 }));
    picture->setFrame({ { 30, 20 }, { 25, 25 } });
    faded->addSubview(picture);
    auto label = makeView<UILabel>({ { 0, 50 }, { 80, 20 } });
    label->setTextColor(UIColor::blueColor());
    label->setText(std::string("Wrong"));
    faded->addSubview(label);
    auto trail = makeView<TrailView>({ { 0, 0 }, { 80, 70 } });
    faded->addSubview(trail);
    trail->setPoints({ { 3, 60 }, { 40, 8 }, { 76, 66 } });
    // A fade inside the fade, turned a little.
    auto inner = makeView({ { 45, 30 }, { 20, 20 } }, UIColor::blueColor());
    inner->setAlpha(0.6f);
    inner->setTransform({ 0.92f, 0.39f, -0.39f, 0.92f, 0, 0 });
    auto innerChild = makeView({ { 10, 10 }, { 15, 15 } }, UIColor::orangeColor());
    inner->addSubview(innerChild);
    faded->addSubview(inner);
    // Faded inside a view that shows nothing else, like the lock's view inside its window.
    auto outer = makeView({ { 0, 0 }, { 100, 100 } });
    outer->addSubview(faded);
    outer->addSubview(makeView({ { 0, 0 }, { 100, 100 } }));
    outer->setAlpha(0.7f);
    window->addSubview(outer);

    faded->setAlpha(0.37f);
    EXPECT_TRUE(screenMatchesWindowSnapshot(*window)) << "the first frame";
    // The next frames reuse what the last one composed on: nothing of it may show.
    faded->setAlpha(0.52f);
    EXPECT_TRUE(screenMatchesWindowSnapshot(*window)) << "a frame later";
    innerChild->setFrame({ { -8, 2 }, { 10, 10 } });
    trail->setPoints({ { 3, 60 }, { 40, 8 } });
    faded->setAlpha(0.61f);
    EXPECT_TRUE(screenMatchesWindowSnapshot(*window)) << "after the children moved and the trail shrank";

    // On the pixel grid over an opaque picture, as the lock fades in over the host: only where
    // something lies over the picture is anything painted apart.
    picture->removeFromSuperview();
    auto backdrop = std::make_shared<UIImageView>();
    backdrop->initWithImage(solidImage(UIColor::greenColor(), { 20, 20 }));
    backdrop->setFrame({ { -2, -2 }, { 84, 74 } });
    faded->insertSubview(backdrop, 0);
    faded->setFrame({ { 7, 12 }, { 80, 70 } });
    EXPECT_TRUE(screenMatchesWindowSnapshot(*window)) << "over an opaque picture";
    inner->setAlpha(0.25f);
    outer->setAlpha(1.0f);
    EXPECT_TRUE(screenMatchesWindowSnapshot(*window)) << "over an opaque picture, at one alpha";
}
