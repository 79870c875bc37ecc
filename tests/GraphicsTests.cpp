#include "DrawingTestSupport.h"
#include "PixelProbe.h"
#include "ScratchDirectory.h"

#include "platform/graphics/PangoText.h"
#include "platform/graphics/UIBezierPath.h"
#include "platform/graphics/UIColor.h"
#include "platform/graphics/UIFont.h"
#include "platform/graphics/UIImage.h"
#include "platform/ui/UIScreen.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

using pixel_probe::at;
using pixel_probe::near;
using pixel_probe::Pixel;

namespace {

namespace fs = std::filesystem;

class GraphicsTest : public ::testing::Test {
protected:
    // A clear 100 × 100 context at scale 1 with the path stroked in black at alpha 0.3.
    static std::shared_ptr<UIImage> stroked(const std::shared_ptr<UIBezierPath>& path)
    {
        UIGraphicsBeginImageContext({ 100, 100 });
        UIColor::blackColor()->colorWithAlphaComponent(0.3f)->setStroke();
        path->stroke();
        auto image = UIGraphicsGetImageFromCurrentImageContext();
        UIGraphicsEndImageContext();
        return image;
    }

    static std::shared_ptr<UIImage> solid(const std::shared_ptr<UIColor>& color, CGSize size) { return drawing_test::solidImage(color, size); }

    std::string file(const std::string& name) const { return (dir / name).string(); }

    ScratchDirectory scratch { "glyphward-graphics" };
    const fs::path& dir = scratch.path();
};

TEST_F(GraphicsTest, SolidImagesAndTheContextStack)
{
    EXPECT_EQ(UIGraphicsGetCurrentContext(), nullptr);
    EXPECT_EQ(UIGraphicsGetImageFromCurrentImageContext(), nullptr);

    auto green = solid(UIColor::greenColor(), { 60, 60 });
    ASSERT_TRUE(green);
    EXPECT_EQ(green->size(), CGSizeMake(60, 60));
    EXPECT_EQ(green->scale(), 1.0f);
    EXPECT_EQ(green->pixelWidth(), 60);
    for (auto [x, y] : { std::pair { 0, 0 }, { 59, 59 }, { 30, 1 }, { 0, 59 } })
        EXPECT_TRUE(near(at(*green, x, y), { 255, 0, 255, 0 }, 0)) << x << "," << y;
    auto red = solid(UIColor::redColor(), { 60, 60 });
    EXPECT_TRUE(near(at(*red, 17, 42), { 255, 255, 0, 0 }, 0));
    // A translucent fill is stored premultiplied.
    auto faint = solid(UIColor::orangeColor()->colorWithAlphaComponent(0.5f), { 4, 4 });
    EXPECT_TRUE(near(at(*faint, 2, 2), { 128, 128, 64, 0 }, 1));
    EXPECT_EQ(UIGraphicsGetCurrentContext(), nullptr) << "every begin was ended";

    // Nested contexts: ending the inner one makes the outer one current again.
    UIGraphicsBeginImageContext({ 2, 2 });
    CGContextRef outer = UIGraphicsGetCurrentContext();
    UIGraphicsBeginImageContextWithOptions({ 10, 5 }, false, 2.0f);
    auto doubled = UIGraphicsGetImageFromCurrentImageContext();
    UIGraphicsEndImageContext();
    EXPECT_EQ(UIGraphicsGetCurrentContext(), outer);
    UIGraphicsEndImageContext();
    ASSERT_TRUE(doubled);
    EXPECT_EQ(doubled->pixelWidth(), 20);
    EXPECT_EQ(doubled->pixelHeight(), 10);
    EXPECT_EQ(doubled->size(), CGSizeMake(10, 5));

    // Sizes that cannot be a bitmap give no image and break nothing.
    UIGraphicsBeginImageContext({ -5, 10 });
    CGContextFillRect(UIGraphicsGetCurrentContext(), { { 0, 0 }, { NAN, 3 } });
    EXPECT_EQ(UIGraphicsGetImageFromCurrentImageContext(), nullptr);
    UIGraphicsEndImageContext();
    UIGraphicsEndImageContext(); // one too many: ignored
    EXPECT_EQ(UIGraphicsGetCurrentContext(), nullptr);
}

TEST_F(GraphicsTest, TranslucentStrokePaintsItsUnionOnce)
{
    // Out, back over itself, then across the first segment and round a corner.
    auto path = UIBezierPath::bezierPath();
    path->moveToPoint({ 10, 50 });
    path->addLineToPoint({ 90, 50 });
    path->addLineToPoint({ 30, 50 });
    path->addLineToPoint({ 60, 90 });
    path->addLineToPoint({ 60, 10 });
    path->setLineWidth(16);
    path->setLineJoinStyle(CGLineJoin::Round);
    auto image = stroked(path);
    ASSERT_TRUE(image);

    const Pixel once { 77, 0, 0, 0 }; // 0.3 of 255, premultiplied black
    EXPECT_TRUE(near(at(*image, 80, 50), once, 2)) << "covered by the way out and the way back";
    EXPECT_TRUE(near(at(*image, 60, 50), once, 2)) << "where the last segment crosses";
    EXPECT_TRUE(near(at(*image, 60, 20), once, 2)) << "covered by one segment only";
    EXPECT_TRUE(near(at(*image, 30, 50), once, 2)) << "at the corner of the turn";
    EXPECT_TRUE(near(at(*image, 5, 20), { 0, 0, 0, 0 }, 0)) << "away from the path";
}

TEST_F(GraphicsTest, ButtEndsAndRoundJoins)
{
    // The default cap is butt: nothing beyond the end points along the path.
    auto line = UIBezierPath::bezierPath();
    line->moveToPoint({ 20, 50 });
    line->addLineToPoint({ 80, 50 });
    line->setLineWidth(16);
    auto image = stroked(line);
    EXPECT_GT(at(*image, 78, 50).a, 60);
    EXPECT_EQ(at(*image, 81, 50).a, 0) << "paint past the end point";
    EXPECT_EQ(at(*image, 18, 50).a, 0) << "paint before the start point";
    EXPECT_GT(at(*image, 50, 57).a, 60);
    EXPECT_EQ(at(*image, 50, 59).a, 0) << "wider than the line width";

    // An L with its corner at (50, 50), 20 wide: the round join fills the outer corner out to the
    // pen's radius but not the square tip a miter would add.
    auto corner = [](CGLineJoin join) {
        auto path = UIBezierPath::bezierPath();
        path->moveToPoint({ 20, 50 });
        path->addLineToPoint({ 50, 50 });
        path->addLineToPoint({ 50, 90 });
        path->setLineWidth(20);
        path->setLineJoinStyle(join);
        return path;
    };
    auto round = stroked(corner(CGLineJoin::Round));
    EXPECT_GT(at(*round, 56, 44).a, 60) << "inside the round join";
    EXPECT_EQ(at(*round, 59, 41).a, 0) << "the miter's tip";
    auto miter = stroked(corner(CGLineJoin::Miter));
    EXPECT_GT(at(*miter, 59, 41).a, 60) << "a miter join does fill the tip";
    auto bevel = stroked(corner(CGLineJoin::Bevel));
    EXPECT_EQ(at(*bevel, 57, 44).a, 0) << "a bevel cuts the corner";

    // A path with a coordinate that is not a number draws nothing rather than breaking the context.
    auto broken = UIBezierPath::bezierPath();
    broken->moveToPoint({ 10, 10 });
    broken->addLineToPoint({ NAN, 40 });
    broken->setLineWidth(4);
    auto blank = stroked(broken);
    EXPECT_EQ(at(*blank, 10, 10).a, 0);
}

TEST_F(GraphicsTest, PNGRoundTripAndScaleVariants)
{
    UIGraphicsBeginImageContext({ 8, 4 });
    CGContextRef context = UIGraphicsGetCurrentContext();
    CGContextSetFillColorWithColor(context, UIColor::blueColor().get());
    CGContextFillRect(context, { { 0, 0 }, { 4, 4 } });
    CGContextSetFillColorWithColor(context, UIColor::redColor()->colorWithAlphaComponent(0.5f).get());
    CGContextFillRect(context, { { 4, 0 }, { 2, 4 } });
    auto original = UIGraphicsGetImageFromCurrentImageContext();
    UIGraphicsEndImageContext();

    ASSERT_TRUE(original->writePNG(file("pic.png")));
    auto read = UIImage::imageWithPNGFile(file("pic.png"), 1.0f);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->pixelWidth(), 8);
    EXPECT_EQ(read->pixelHeight(), 4);
    for (int x = 0; x < 8; ++x)
        EXPECT_TRUE(near(at(*read, x, 2), at(*original, x, 2), 1)) << "column " << x;
    EXPECT_FALSE(original->writePNG((dir / "missing" / "pic.png").string()));

    // pic@2x.png beside pic.png: chosen on a 2x screen, at half its pixel size in points.
    auto bigger = solid(UIColor::greenColor(), { 16, 8 });
    ASSERT_TRUE(bigger->writePNG(file("pic@2x.png")));
    EXPECT_EQ(UIImage::imageWithContentsOfFile(file("pic.png"))->scale(), 1.0f) << "no screen means scale 1";
    UIScreen::setMainScreen(std::make_shared<UIScreen>(CGSizeMake(320, 568), 2.0f));
    auto chosen = UIImage::imageWithContentsOfFile(file("pic.png"));
    ASSERT_TRUE(chosen);
    EXPECT_EQ(chosen->scale(), 2.0f);
    EXPECT_EQ(chosen->size(), CGSizeMake(8, 4));
    EXPECT_TRUE(near(at(*chosen, 0, 0), { 255, 0, 255, 0 }, 0));
    // On a 3x screen with no @3x file, the @2x one still beats the plain file.
    UIScreen::setMainScreen(std::make_shared<UIScreen>(CGSizeMake(320, 568), 3.0f));
    EXPECT_EQ(UIImage::imageWithContentsOfFile(file("pic.png"))->scale(), 2.0f);
    UIScreen::setMainScreen(std::make_shared<UIScreen>(CGSizeMake(320, 568), 1.0f));
    EXPECT_EQ(UIImage::imageWithContentsOfFile(file("pic.png"))->pixelWidth(), 8);
    // Only a @2x file: used even on a 1x screen, with its own scale.
    fs::remove(dir / "pic.png");
    auto only = UIImage::imageWithContentsOfFile(file("pic.png"));
    ASSERT_TRUE(only);
    EXPECT_EQ(only->size(), CGSizeMake(8, 4));
    EXPECT_EQ(UIImage::imageWithContentsOfFile(file("absent.png")), nullptr);
}

TEST_F(GraphicsTest, DamagedPNGFilesGiveNoImage)
{
    ASSERT_TRUE(solid(UIColor::redColor(), { 32, 32 })->writePNG(file("good.png")));
    std::ifstream in(file("good.png"), std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_GT(bytes.size(), 60u);
    auto writeBytes = [&](const std::string& name, const std::vector<char>& content) {
        std::ofstream(file(name), std::ios::binary).write(content.data(), static_cast<std::streamsize>(content.size()));
        return file(name);
    };

    // Cut short at every length: never a crash, never an image.
    for (std::size_t length = 0; length + 12 < bytes.size(); length += 7)
        EXPECT_EQ(UIImage::imageWithPNGFile(writeBytes("cut.png", { bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(length) }), 1), nullptr)
            << "truncated at " << length;
    // A picture header claiming a gigantic size is refused before decoding.
    auto huge = bytes;
    huge[16] = huge[17] = 0x7f;
    EXPECT_EQ(UIImage::imageWithPNGFile(writeBytes("huge.png", huge), 1), nullptr);
    // Flipped bytes in the image data.
    auto flipped = bytes;
    for (std::size_t i = 41; i < flipped.size() - 12; i += 3)
        flipped[i] = static_cast<char>(~flipped[i]);
    EXPECT_EQ(UIImage::imageWithPNGFile(writeBytes("flipped.png", flipped), 1), nullptr);
    EXPECT_EQ(UIImage::imageWithPNGFile(writeBytes("text.png", { 'h', 'e', 'l', 'l', 'o' }), 1), nullptr);
    EXPECT_EQ(UIImage::imageWithPNGFile(dir.string(), 1), nullptr) << "a directory";
    EXPECT_EQ(UIImage::imageWithContentsOfFile(writeBytes("bad.png", { bytes.begin(), bytes.begin() + 40 })), nullptr);
}

TEST_F(GraphicsTest, TextUsesTheFontSizeAndChineseForms)
{
    auto font = UIFont::systemFontOfSize(20);
    EXPECT_EQ(font->pointSize(), 20.0f);
    EXPECT_EQ(font->familyName(), "DejaVu Sans");
    EXPECT_TRUE(PangoText::containsCJK("密码错误，请重输"));
    EXPECT_TRUE(PangoText::containsCJK("Wrong 密码"));
    EXPECT_FALSE(PangoText::containsCJK("Slide to unlock"));
    EXPECT_FALSE(PangoText::containsCJK("\xff\xfe broken"));

    // The size is in points: twice the font, about twice the line.
    const CGSize small = PangoText::measure("Set Passcode", UIFont::systemFontOfSize(10).get());
    const CGSize large = PangoText::measure("Set Passcode", UIFont::systemFontOfSize(20).get());
    EXPECT_NEAR(large.width / small.width, 2.0, 0.15);
    EXPECT_GT(large.height, 20.0f);
    EXPECT_LT(large.height, 32.0f);
    // Chinese text has a face: its ideographs are about one em wide each.
    const CGSize chinese = PangoText::measure("关闭锁屏", font.get());
    EXPECT_NEAR(chinese.width, 80.0, 8.0);
}
} // namespace

TEST_F(GraphicsTest, DecodedFilesAreSharedUntilTheFileChanges)
{
    ASSERT_TRUE(solid(UIColor::greenColor(), { 6, 6 })->writePNG(file("node.png")));
    auto first = UIImage::imageWithContentsOfFile(file("node.png"));
    ASSERT_TRUE(first);
    EXPECT_TRUE(first->isOpaque());
    EXPECT_EQ(UIImage::imageWithContentsOfFile(file("node.png")), first) << "the same file is not decoded again";
    EXPECT_NE(UIImage::imageWithPNGFile(file("node.png"), 2.0f), first) << "another scale is another image";

    // Rewritten with other content: read afresh, never the old picture.
    ASSERT_TRUE(solid(UIColor::redColor()->colorWithAlphaComponent(0.5f), { 7, 6 })->writePNG(file("node.png")));
    auto second = UIImage::imageWithContentsOfFile(file("node.png"));
    ASSERT_TRUE(second);
    EXPECT_NE(second, first);
    EXPECT_EQ(second->pixelWidth(), 7);
    EXPECT_FALSE(second->isOpaque()) << "half-transparent pixels";
    fs::remove(dir / "node.png");
    EXPECT_EQ(UIImage::imageWithContentsOfFile(file("node.png")), nullptr) << "a removed file gives nothing, cached or not";
}
