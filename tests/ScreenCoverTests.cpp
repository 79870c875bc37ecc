// The cover the window shows while the host is away: the picture the lock gives, drawn over the
// whole screen exactly as the lock's own background view draws it, opaque everywhere, and nothing
// that is not a cover when there is no picture or no room for one.
#include "LockTestSupport.h"
#include "PixelProbe.h"

#include "lockscreen/LockResources.h"
#include "platform/backends/ScreenCover.h"
#include "platform/compositor/Renderer.h"
#include "platform/graphics/UIColor.h"
#include "platform/graphics/UIImage.h"
#include "platform/ui/UIImageView.h"

#include <cmath>
#include <limits>

using namespace lock_test;
using pixel_probe::near;
using pixel_probe::unpack;

namespace {

class ScreenCoverTest : public LockFixture { };

// Every pixel of the buffer has full alpha.
bool allOpaque(const FrameBuffer& buffer)
{
    for (int y = 0; y < buffer.height(); ++y)
        for (int x = 0; x < buffer.width(); ++x)
            if ((buffer.pixelAt(x, y) >> 24) != 0xff)
                return false;
    return true;
}

} // namespace

TEST_F(ScreenCoverTest, TheLockGivesItsBackgroundAndTheCoverDrawsItAsTheLockScreenDoes)
{
    if (!fs::exists(bundleDir_ / "bg.png"))
        GTEST_SKIP() << "the staged bundle is not built";
    // The host's window in a colour the lock's picture does not have, in front of nothing else.
    launch();
    host_->window_->setBackgroundColor(UIColor::greenColor());
    const auto picture = UIApplication::sharedApplication()->backgroundCover();
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture, LockResources::image(LockResources::openBundle().get(), LockResources::kBackgroundImage));

    const auto cover = ScreenCover::renderForMainScreen();
    ASSERT_NE(cover, nullptr);
    EXPECT_EQ(cover->width(), 640);
    EXPECT_EQ(cover->height(), 1136);
    EXPECT_TRUE(allOpaque(*cover));

    // The lock's background as an image view of the screen's bounds draws it, alone in a window.
    auto view = alloc<UIImageView>();
    view->initWithImage(picture);
    view->setFrame(UIScreen::mainScreen()->bounds());
    auto window = alloc<UIWindow>();
    window->initWithFrame(UIScreen::mainScreen()->bounds());
    window->addSubview(view);
    const auto drawn = Renderer::snapshotWindow(*window);
    ASSERT_NE(drawn, nullptr);
    ASSERT_EQ(drawn->pixelWidth(), cover->width());
    int unlike = 0, green = 0;
    for (int y = 0; y < cover->height(); ++y)
        for (int x = 0; x < cover->width(); ++x) {
            const auto got = unpack(cover->pixelAt(x, y));
            unlike += !near(got, unpack(drawn->pixelAt(x, y)), 1);
            green += got.g > 200 && got.r < 40 && got.b < 40;
        }
    EXPECT_EQ(unlike, 0);
    EXPECT_EQ(green, 0);
}

TEST_F(ScreenCoverTest, WithoutAPictureOrWhereItIsClearTheCoverIsBlack)
{
    // No lock has given a picture: a plain cover, never a transparent one.
    const auto plain = ScreenCover::renderForMainScreen();
    ASSERT_NE(plain, nullptr);
    EXPECT_TRUE(allOpaque(*plain));
    EXPECT_TRUE(near(unpack(plain->pixelAt(320, 568)), { 255, 0, 0, 0 }, 0));

    // A picture of two pixels, one clear and one half-transparent red (premultiplied), stretched
    // side by side over a screen of 4 × 2 points at scale 2.
    const auto picture = std::make_shared<UIImage>(2, 1, 1.0f, std::vector<std::uint32_t> { 0x00000000u, 0x80800000u });
    const auto cover = ScreenCover::render(picture, CGSizeMake(4, 2), 2.0f);
    ASSERT_NE(cover, nullptr);
    EXPECT_EQ(cover->width(), 8);
    EXPECT_EQ(cover->height(), 4);
    EXPECT_TRUE(allOpaque(*cover));
    EXPECT_TRUE(near(unpack(cover->pixelAt(0, 0)), { 255, 0, 0, 0 }));
    EXPECT_TRUE(near(unpack(cover->pixelAt(7, 3)), { 255, 128, 0, 0 }));
}

TEST_F(ScreenCoverTest, NoRoomOrASizeThatIsNoNumberGivesNoCover)
{
    const auto picture = std::make_shared<UIImage>(1, 1, 1.0f, std::vector<std::uint32_t> { 0xffff0000u });
    const float nan = std::numeric_limits<float>::quiet_NaN();
    EXPECT_EQ(ScreenCover::render(picture, CGSizeMake(0, 568), 2.0f), nullptr);
    EXPECT_EQ(ScreenCover::render(picture, CGSizeMake(320, 568), 0.0f), nullptr);
    EXPECT_EQ(ScreenCover::render(picture, CGSizeMake(nan, 568), 2.0f), nullptr);
    EXPECT_EQ(ScreenCover::render(picture, CGSizeMake(320, 568), std::numeric_limits<float>::infinity()), nullptr);
    EXPECT_EQ(ScreenCover::render(picture, CGSizeMake(1e6f, 1e6f), 1.0f), nullptr);
    // A fraction of a pixel is a whole one, as the screen's frame counts it, and still opaque.
    const auto tiny = ScreenCover::render(picture, CGSizeMake(0.3f, 0.3f), 1.0f);
    ASSERT_NE(tiny, nullptr);
    EXPECT_EQ(tiny->width(), 1);
    EXPECT_TRUE(allOpaque(*tiny));
}
