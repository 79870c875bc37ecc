#include "ScratchDirectory.h"

#include "platform/graphics/ImagePrefetch.h"
#include "platform/graphics/PNGDecoder.h"
#include "platform/graphics/UIImage.h"
#include "platform/toolkit/Toolkit.h"
#include "platform/ui/UIScreen.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

const std::string kBundle = GLYPHWARD_BINARY_DIR "/root/Library/Application Support/WeChat/";

std::vector<unsigned char> bytesOf(const std::string& path)
{
    std::vector<unsigned char> bytes;
    EXPECT_TRUE(PNGDecoder::readFile(path, bytes)) << path;
    return bytes;
}

class PNGDecoderTest : public ::testing::Test {
protected:
    std::string copyOf(const std::string& name) const
    {
        const auto target = dir / name;
        fs::copy_file(kBundle + name, target, fs::copy_options::overwrite_existing);
        return target.string();
    }

    ScratchDirectory scratch { "glyphward-png" };
    const fs::path& dir = scratch.path();
};

// The direct path must give the very words Cairo's reader gives, on the pictures the lock shows.
TEST_F(PNGDecoderTest, OpaquePathMatchesCairoWordForWord)
{
    for (const char* name : { "bg.png", "bg@2x.png", "bg@3x.png" }) {
        const auto bytes = bytesOf(kBundle + name);
        bool applies = false;
        const auto direct = PNGDecoder::decodeOpaque(bytes, 1, applies);
        const auto cairo = PNGDecoder::decodeWithCairo(bytes, 1);
        ASSERT_TRUE(applies) << name;
        ASSERT_TRUE(direct && cairo) << name;
        EXPECT_EQ(direct->pixelWidth(), cairo->pixelWidth()) << name;
        EXPECT_TRUE(direct->pixels() == cairo->pixels()) << name << ": the pixels differ";
        EXPECT_TRUE(direct->isOpaque()) << name;
    }
    // Pictures with alpha are not this path's: Cairo premultiplies them.
    bool applies = true;
    EXPECT_EQ(PNGDecoder::decodeOpaque(bytesOf(kBundle + "gesture_node_normal@3x.png"), 1, applies), nullptr);
    EXPECT_FALSE(applies);
    EXPECT_TRUE(PNGDecoder::decode(bytesOf(kBundle + "gesture_node_normal@3x.png"), 1));
}

// A decode told to stop part way gives no image on either path, and a stop that is never asked
// for changes nothing; the toolkit's end relies on this to leave a worker's picture half read.
TEST_F(PNGDecoderTest, StopEndsEitherDecodeAtItsNextRead)
{
    for (const char* name : { "bg@3x.png", "gesture_node_normal@3x.png" }) {
        const auto bytes = bytesOf(kBundle + name);
        int reads = 0;
        const auto counted = PNGDecoder::decode(bytes, 3, [&reads] { ++reads; return false; });
        ASSERT_TRUE(counted) << name;
        EXPECT_TRUE(counted->pixels() == PNGDecoder::decode(bytes, 3)->pixels()) << name;
        ASSERT_GT(reads, 4) << name << ": asked too seldom to cut a large picture short";

        int asked = 0;
        EXPECT_EQ(PNGDecoder::decode(bytes, 3, [&asked, half = reads / 2] { return ++asked > half; }), nullptr) << name;
        EXPECT_LT(asked, reads) << name << ": read on after the stop";
    }
}

TEST_F(PNGDecoderTest, PrefetchedPictureIsTakenByTheFirstRead)
{
    const std::string path = copyOf("bg@2x.png");
    UIScreen::setMainScreen(std::make_shared<UIScreen>(CGSizeMake(390, 844), 2.0f));
    UIImage::prefetchContentsOfFiles({ path });
    EXPECT_EQ(ImagePrefetch::pending(), 1u);
    UIImage::prefetchContentsOfFiles({ path });
    EXPECT_EQ(ImagePrefetch::pending(), 1u) << "one decode per file";

    const auto image = UIImage::imageWithContentsOfFile(path);
    EXPECT_EQ(ImagePrefetch::pending(), 0u);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->scale(), 2.0f);
    EXPECT_EQ(image->size(), CGSizeMake(390, 844));
    EXPECT_TRUE(image->pixels() == PNGDecoder::decodeWithCairo(bytesOf(path), 2)->pixels());
    EXPECT_EQ(UIImage::imageWithContentsOfFile(path), image) << "kept like any decoded file";

    // A file replaced after its decode began is read afresh, not answered with the old picture.
    const std::string other = copyOf("gesture_node_normal@2x.png");
    UIImage::prefetchContentsOfFiles({ other });
    fs::copy_file(kBundle + "gesture_node_selected@2x.png", other, fs::copy_options::overwrite_existing);
    const auto replaced = UIImage::imageWithContentsOfFile(other);
    ASSERT_TRUE(replaced);
    EXPECT_TRUE(replaced->pixels() == PNGDecoder::decodeFile(kBundle + "gesture_node_selected@2x.png", 2)->pixels());
    EXPECT_EQ(ImagePrefetch::pending(), 0u);

    // Nothing starts for a missing file or one whose header is not a picture's.
    UIImage::prefetchContentsOfFiles({ (dir / "absent.png").string() });
    std::ofstream((dir / "text.png").string()) << "not a picture at all, only some words in a file";
    UIImage::prefetchContentsOfFiles({ (dir / "text.png").string() });
    EXPECT_EQ(ImagePrefetch::pending(), 0u);
}

// A damaged body behind a sound header shows nothing, whether the decode ended before it was
// asked for (no image) or after (an image of the header's size, every pixel transparent).
TEST_F(PNGDecoderTest, DamagedPrefetchedPictureShowsNothing)
{
    auto bytes = bytesOf(kBundle + "bg.png");
    for (std::size_t i = 60; i < bytes.size() - 12; i += 5)
        bytes[i] = static_cast<unsigned char>(~bytes[i]);
    const std::string path = (dir / "damaged.png").string();
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));

    UIImage::prefetchContentsOfFiles({ path });
    const auto image = UIImage::imageWithContentsOfFile(path, 1);
    if (image) {
        EXPECT_EQ(image->pixelWidth(), 390);
        EXPECT_FALSE(image->isOpaque());
        EXPECT_EQ(image->pixelAt(200, 400), 0u);
    }
    EXPECT_EQ(ImagePrefetch::pending(), 0u);
}

TEST_F(PNGDecoderTest, ImageWaitingForItsPixels)
{
    std::promise<std::shared_ptr<UIImage>> decoded;
    const UIImage waiting(2, 1, 3, decoded.get_future());
    EXPECT_EQ(waiting.size(), CGSizeMake(2.0f / 3, 1.0f / 3)) << "the size is known before the pixels";
    decoded.set_value(std::make_shared<UIImage>(2, 1, 3, std::vector<std::uint32_t> { 0xff102030u, 0xff405060u }));
    EXPECT_EQ(waiting.pixelAt(1, 0), 0xff405060u);
    EXPECT_TRUE(waiting.isOpaque());

    std::promise<std::shared_ptr<UIImage>> failed, otherSize;
    const UIImage nothing(2, 2, 1, failed.get_future()), mismatched(2, 2, 1, otherSize.get_future());
    failed.set_value(nullptr);
    otherSize.set_value(std::make_shared<UIImage>(3, 1, 1, std::vector<std::uint32_t>(3, 0xffffffffu)));
    EXPECT_EQ(nothing.pixels(), std::vector<std::uint32_t>(4, 0u));
    EXPECT_EQ(mismatched.pixels(), std::vector<std::uint32_t>(4, 0u));
}

// The process may end while the worker still decodes: it ends cleanly, without a crash.
TEST(PNGDecoderExit, ExitWhileDecoding)
{
    // The child starts afresh rather than as a fork of a process that may run other threads; it
    // reads the staged picture itself, so that it leaves no folder of its own behind. Such a child
    // runs the statement alone, without the listener that gives every test its toolkit: it builds
    // its own, which is still alive when exit is called, as a program's is when it exits early.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const std::string path = kBundle + "bg@3x.png";
    EXPECT_EXIT(
        {
            Toolkit toolkit;
            UIScreen::setMainScreen(std::make_shared<UIScreen>(CGSizeMake(390, 844), 3.0f));
            UIImage::prefetchContentsOfFiles({ path });
            std::exit(ImagePrefetch::pending() == 1u ? 0 : 3);
        },
        ::testing::ExitedWithCode(0), "");
    EXPECT_EXIT(
        {
            Toolkit toolkit;
            UIImage::prefetchContentsOfFiles({ path });
            const auto image = UIImage::imageWithContentsOfFile(path, 3);
            std::exit(image ? 0 : 3);
        },
        ::testing::ExitedWithCode(0), "");
}

} // namespace
