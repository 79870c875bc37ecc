// The lock screen as the renderer composes it, in its main states and both languages. Each state
// is written as a PNG under the build folder for a look by eye, and a few pixels are checked:
// selected nodes and the trail show orange, the message shows near the top, and during the
// failure wait the grid is gone.
#include "LockTestSupport.h"

#include "platform/compositor/Renderer.h"
#include "platform/graphics/UIImage.h"

using namespace lock_test;

namespace {

struct Rgb {
    int r, g, b;
};

class LockSnapshotTests : public LockFixture {
protected:
    void SetUp() override
    {
        LockFixture::SetUp();
        if (!fs::exists(bundleDir_ / "bg.png"))
            GTEST_SKIP() << "the staged bundle is not built";
        fs::create_directories(outputDir());
    }

    static fs::path outputDir() { return fs::path(GLYPHWARD_BINARY_DIR) / "lock-snapshots"; }

    // Renders the screen, keeps it as a PNG, and answers it.
    std::shared_ptr<UIImage> snapshot(const std::string& name)
    {
        auto image = Renderer::snapshotScreen();
        EXPECT_TRUE(image);
        if (image) {
            // Written aside and renamed into place: another test process may write the same picture.
            const fs::path kept = outputDir() / (name + ".png");
            const fs::path aside = kept.string() + "." + std::to_string(::getpid());
            EXPECT_TRUE(image->writePNG(aside.string()));
            std::error_code error;
            fs::rename(aside, kept, error);
            EXPECT_FALSE(error) << error.message();
        }
        return image;
    }
    static Rgb pixel(const UIImage& image, CGPoint points)
    {
        const std::uint32_t p = image.pixelAt(static_cast<int>(points.x * image.scale()), static_cast<int>(points.y * image.scale()));
        return { static_cast<int>((p >> 16) & 0xff), static_cast<int>((p >> 8) & 0xff), static_cast<int>(p & 0xff) };
    }
    static bool isOrange(Rgb c) { return c.r > 150 && c.g > 50 && c.g < c.r && c.b < 80; }
    static bool isDark(Rgb c) { return c.r < 80 && c.g < 80 && c.b < 90; }
    // Whether any pixel of the row band shows orange text.
    static bool orangeInBand(const UIImage& image, float top, float bottom)
    {
        for (float y = top; y < bottom; y += 0.5f)
            for (float x = 0; x < image.size().width; x += 0.5f)
                if (isOrange(pixel(image, CGPointMake(x, y))))
                    return true;
        return false;
    }
};

} // namespace

TEST_F(LockSnapshotTests, SettingAndDrawingInEnglish)
{
    launch();
    auto setting = snapshot("en-setting");
    ASSERT_TRUE(setting);
    EXPECT_TRUE(isDark(pixel(*setting, CGPointMake(5, 5)))) << "the background picture covers the screen";
    EXPECT_TRUE(orangeInBand(*setting, 80, 110)) << "the message sits near the top";
    EXPECT_FALSE(orangeInBand(*setting, 508, 538)) << "no reset button while setting";
    EXPECT_FALSE(isOrange(pixel(*setting, nodeCentre(4))));

    // Mid-draw: two nodes taken, the finger between the second and the third.
    auto& finger = UITouchInjector::shared();
    finger.down(nodeCentre(0));
    finger.move(nodeCentre(4));
    CGPoint loose = CGPointMake((nodeCentre(4).x + nodeCentre(5).x) / 2, nodeCentre(4).y);
    finger.move(loose);
    auto drawing = snapshot("en-trail");
    ASSERT_TRUE(drawing);
    EXPECT_TRUE(isOrange(pixel(*drawing, nodeCentre(0))));
    EXPECT_TRUE(isOrange(pixel(*drawing, nodeCentre(4))));
    EXPECT_FALSE(isDark(pixel(*drawing, CGPointMake(loose.x - 2, loose.y)))) << "the trail runs on to the finger";
    finger.up();
}

TEST_F(LockSnapshotTests, VerificationWaitAndResetInEnglish)
{
    setOutside("PASS_CODE", NSString::stringWithString("0,1,2"));
    launch();
    auto verify = snapshot("en-verify");
    ASSERT_TRUE(verify);
    EXPECT_TRUE(orangeInBand(*verify, 508, 538)) << "the reset button's title at the bottom left";

    for (int i = 0; i < 6; ++i)
        draw({ 3 });
    advance(1.0);
    auto wait = snapshot("en-wait");
    ASSERT_TRUE(wait);
    const CGPoint ring = CGPointMake(nodeCentre(4).x + 30, nodeCentre(4).y);
    EXPECT_TRUE(isDark(pixel(*wait, ring))) << "the grid is gone during the wait";
    EXPECT_FALSE(orangeInBand(*wait, 508, 538)) << "and so is the reset button";
    EXPECT_TRUE(orangeInBand(*wait, 80, 110));

    advance(10.0);
    tapReset();
    advance(1.0);
    auto reset = snapshot("en-reset");
    ASSERT_TRUE(reset);
    EXPECT_FALSE(isDark(pixel(*reset, ring))) << "the grid is back";
}

TEST_F(LockSnapshotTests, ChineseOnTheSmallScreen)
{
    NSBundle::setPreferredLanguages({ "zh-Hans" });
    setScreen(320, 480);
    setOutside("PASS_CODE", NSString::stringWithString("0,1,2"));
    launch();
    auto verify = snapshot("zh-verify-small");
    ASSERT_TRUE(verify);
    EXPECT_TRUE(orangeInBand(*verify, 80, 110));
    EXPECT_TRUE(orangeInBand(*verify, 420, 450)) << "the reset button below the grid";
}
