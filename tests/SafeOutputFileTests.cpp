// Pictures are written where other users may plant links: never through one, never into a file
// or folder of theirs.
#include "ScratchDirectory.h"

#include "platform/foundation/SafeOutputFile.h"
#include "platform/graphics/UIImage.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sys/stat.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

std::string contents(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::shared_ptr<UIImage> picture()
{
    return UIImage::imageWithContentsOfFile(GLYPHWARD_BINARY_DIR "/root/Library/Application Support/WeChat/gesture_node_normal.png");
}

} // namespace

TEST(SafeOutputFile, NeverWritesThroughALinkAndLeavesWhatItNamesAlone)
{
    ScratchDirectory scratch("safe-output");
    const fs::path dir = scratch.path();
    const fs::path precious = dir / "precious";
    std::ofstream(precious) << "keep";
    const auto image = picture();
    ASSERT_TRUE(image);

    fs::create_symlink(precious, dir / "pic.png");
    std::string error;
    EXPECT_FALSE(image->writePNG((dir / "pic.png").string(), &error));
    EXPECT_EQ(error, (dir / "pic.png").string() + " is a symbolic link");
    // A link to a folder in the folder's place, even to a good one.
    fs::create_directory(dir / "real");
    fs::create_directory_symlink(dir / "real", dir / "linked");
    EXPECT_FALSE(image->writePNG((dir / "linked" / "pic.png").string(), &error));
    EXPECT_EQ(error, (dir / "linked").string() + " is a symbolic link");
    EXPECT_FALSE(SafeOutputFile::openFolder((dir / "linked").string(), true, error));
    EXPECT_EQ(contents(precious), "keep");
    EXPECT_TRUE(fs::is_empty(dir / "real"));

    // An earlier picture of the user's is written over from the start.
    std::ofstream(dir / "old.png") << std::string(100000, 'x');
    ASSERT_TRUE(image->writePNG((dir / "old.png").string(), &error)) << error;
    EXPECT_EQ(contents(dir / "old.png").substr(1, 3), "PNG");
    EXPECT_LT(fs::file_size(dir / "old.png"), 100000u);
    EXPECT_TRUE(UIImage::imageWithContentsOfFile((dir / "old.png").string()));
}

TEST(SafeOutputFile, MakesMissingFoldersPrivateAndRefusesOddNames)
{
    ScratchDirectory scratch("safe-output");
    ::umask(0);
    std::string error;
    const fs::path deep = scratch.path() / "a" / "b";
    const UniqueFd folder = SafeOutputFile::openFolder(deep.string(), true, error);
    ASSERT_TRUE(folder) << error;
    for (const fs::path& made : { scratch.path() / "a", deep })
        EXPECT_EQ(fs::status(made).permissions(), fs::perms(0700)) << made;
    {
        const UniqueFd file = SafeOutputFile::openFile(folder.get(), "new.png", error);
        ASSERT_TRUE(file) << error;
    }
    EXPECT_EQ(fs::status(deep / "new.png").permissions(), fs::perms(0600));

    // Only plain names, only regular files (a FIFO of the user's aside).
    EXPECT_FALSE(SafeOutputFile::openFile(folder.get(), "../escape.png", error));
    EXPECT_EQ(error, "\"../escape.png\" is not a file name");
    fs::create_directory(deep / "sub");
    EXPECT_FALSE(SafeOutputFile::openFile(folder.get(), "sub", error));
    EXPECT_EQ(error, "sub is not a regular file");
    // Without making it, a missing folder is an error.
    EXPECT_FALSE(SafeOutputFile::openFolder((scratch.path() / "missing").string(), false, error));
    EXPECT_FALSE(fs::exists(scratch.path() / "missing"));
}

TEST(SafeOutputFile, RefusesAFolderOrFileOfAnotherUser)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "giving files away needs root";
    ScratchDirectory scratch("safe-output");
    const fs::path theirs = scratch.path() / "theirs";
    fs::create_directory(theirs);
    std::ofstream(scratch.path() / "their.png") << "theirs";
    ASSERT_EQ(::chown(theirs.c_str(), 4242, 4242), 0);
    ASSERT_EQ(::chown((scratch.path() / "their.png").c_str(), 4242, 4242), 0);
    std::string error;
    EXPECT_FALSE(SafeOutputFile::openFolder(theirs.string(), true, error));
    EXPECT_EQ(error, theirs.string() + " belongs to another user");
    EXPECT_FALSE(SafeOutputFile::open((scratch.path() / "their.png").string(), false, error));
    EXPECT_EQ(error, scratch.path().string() + "/their.png belongs to another user");
    EXPECT_EQ(contents(scratch.path() / "their.png"), "theirs");
}
