#include "platform/backends/HelpOverlay.h"
#include "platform/foundation/DeviceRoot.h"
#include "platform/foundation/NSBundle.h"
#include <gtest/gtest.h>

namespace {

class HelpOverlayTest : public ::testing::Test {
protected:
    void SetUp() override { DeviceRoot::setPath(GLYPHWARD_BINARY_DIR "/root"); }
    void TearDown() override
    {
        NSBundle::setPreferredLanguages({});
        DeviceRoot::setPath("");
    }
};

} // namespace

TEST_F(HelpOverlayTest, GrowsWithThePictureAndAlwaysFitsInIt)
{
    const HelpOverlay keys = HelpOverlay::keys();
    const auto small = keys.renderToFit(320, 568);
    const auto large = keys.renderToFit(960, 1704);
    ASSERT_TRUE(small && large);
    EXPECT_LE(small->width(), 320);
    EXPECT_LE(large->width(), 960);
    EXPECT_LE(large->height(), 1704);
    // Three times the window, about three times the panel: it keeps its share of the picture.
    const double ratio = static_cast<double>(large->width()) / small->width();
    EXPECT_NEAR(ratio, 3.0, 0.25);
    // No room at all draws nothing rather than a panel cut off.
    EXPECT_EQ(keys.renderToFit(0, 568), nullptr);
}

TEST_F(HelpOverlayTest, SpeaksThePreferredLanguageAndFallsBackToEnglish)
{
    NSBundle::setPreferredLanguages({"zh-Hans"});
    EXPECT_EQ(HelpOverlay::keys().title(), "按键");
    EXPECT_EQ(HelpOverlay::background().rows().at(0).first, "在后台");
    // A text no table has stays as it is written.
    EXPECT_EQ(HelpOverlay::localized("no such text"), "no such text");
    NSBundle::setPreferredLanguages({"fr"});
    EXPECT_EQ(HelpOverlay::keys().title(), "Keys");
    EXPECT_EQ(HelpOverlay::keys().rows().size(), 10u);
}
