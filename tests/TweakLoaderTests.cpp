#include "platform/foundation/NSArray.h"
#include "platform/foundation/NSDictionary.h"
#include "platform/foundation/NSLog.h"
#include "platform/foundation/NSPropertyListSerialization.h"
#include "platform/foundation/NSString.h"
#include "platform/runtime/TweakLoader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

std::string xmlFilter(const std::string& bundle)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict><key>Filter</key><dict>"
           "<key>Bundles</key><array><string>com.example.first</string><string>"
        + bundle + "</string></array></dict></dict></plist>\n";
}

std::string binaryFilter(const std::string& bundle)
{
    auto bundles = NSArray::arrayWithArray({ NSString::stringWithString(bundle) });
    auto filter = NSDictionary::dictionaryWithDictionary({ { "Bundles", bundles } });
    auto root = NSDictionary::dictionaryWithDictionary({ { "Filter", filter } });
    return NSPropertyListSerialization::dataWithPropertyList(root.get(), NSPropertyListSerialization::Format::Binary).value_or("");
}

class TweakFolder : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/tweak-loader-test-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        dir = pattern;
        sink = NSLogAddSink([this](const std::string& message) { logged.push_back(message); });
        NSLogSetStderrEnabled(false);
    }
    void TearDown() override
    {
        NSLogRemoveSink(sink);
        fs::remove_all(dir);
    }

    void write(const std::string& name, const std::string& content, fs::perms mode = fs::perms(0644))
    {
        std::ofstream(dir + "/" + name, std::ios::binary) << content;
        fs::permissions(dir + "/" + name, mode);
    }
    void tweak(const std::string& base, const std::string& bundle)
    {
        write(base + ".dylib", "not really a library");
        write(base + ".plist", xmlFilter(bundle));
    }
    std::vector<std::string> load()
    {
        opened.clear();
        return TweakLoader::loadFromDirectory(dir, "org.glyphward.host", [this](int fd, const std::string& path) {
            // The descriptor handed over is the file at the path, already open.
            struct stat byDescriptor {}, byPath {};
            EXPECT_EQ(::fstat(fd, &byDescriptor), 0);
            EXPECT_EQ(::stat(path.c_str(), &byPath), 0);
            EXPECT_EQ(byDescriptor.st_ino, byPath.st_ino);
            opened.push_back(fs::path(path).filename().string());
            return true;
        }).refused;
    }
    bool loggedAbout(const std::string& text) const
    {
        for (const auto& line : logged)
            if (line.find(text) != std::string::npos)
                return true;
        return false;
    }

    std::string dir;
    int sink = 0;
    std::vector<std::string> logged;
    std::vector<std::string> opened;
};

} // namespace

TEST(TweakLoaderFilter, ListsTheBundleOnlyUnderFilterBundlesInEitherForm)
{
    EXPECT_TRUE(TweakLoader::filterListsBundle(xmlFilter("org.glyphward.host"), "org.glyphward.host"));
    EXPECT_FALSE(TweakLoader::filterListsBundle(xmlFilter("org.glyphward.hostile"), "org.glyphward.host"));
    const std::string binary = binaryFilter("org.glyphward.host");
    ASSERT_EQ(binary.rfind("bplist", 0), 0u);
    EXPECT_TRUE(TweakLoader::filterListsBundle(binary, "org.glyphward.host"));
    EXPECT_FALSE(TweakLoader::filterListsBundle(binary, "org.glyphward"));

    // The bundle in the wrong place, the wrong shape or unreadable text loads nothing.
    EXPECT_FALSE(TweakLoader::filterListsBundle(
        "<plist version=\"1.0\"><dict><key>Bundles</key><array><string>org.glyphward.host</string></array></dict></plist>",
        "org.glyphward.host"));
    EXPECT_FALSE(TweakLoader::filterListsBundle(
        "<plist version=\"1.0\"><dict><key>Filter</key><dict><key>Bundles</key><string>org.glyphward.host</string></dict></dict></plist>",
        "org.glyphward.host"));
    EXPECT_FALSE(TweakLoader::filterListsBundle("<plist><array><string>org.glyphward.host</string></array>", "org.glyphward.host"));
    EXPECT_FALSE(TweakLoader::filterListsBundle("", "org.glyphward.host"));
    EXPECT_FALSE(TweakLoader::filterListsBundle(binary.substr(0, binary.size() / 2), "org.glyphward.host"));
}

TEST_F(TweakFolder, OpensMatchingLibrariesInNameOrderAndSkipsTheRestQuietly)
{
    tweak("zeta", "org.glyphward.host");
    tweak("alpha", "org.glyphward.host");
    tweak("mid", "org.glyphward.host");
    tweak("elsewhere", "com.example.other");
    write("lonely.dylib", "no filter beside it");
    write("notes.plist", xmlFilter("org.glyphward.host"));

    EXPECT_TRUE(load().empty());
    EXPECT_EQ(opened, (std::vector<std::string> { "alpha.dylib", "mid.dylib", "zeta.dylib" }));
    EXPECT_TRUE(logged.empty());
}

TEST_F(TweakFolder, RefusesFilesOthersCouldHaveChangedAndSaysWhy)
{
    tweak("good", "org.glyphward.host");
    tweak("worldlib", "org.glyphward.host");
    fs::permissions(dir + "/worldlib.dylib", fs::perms(0646));
    tweak("grouplist", "org.glyphward.host");
    fs::permissions(dir + "/grouplist.plist", fs::perms(0664));
    // A link is not the file it points to: it could be pointed anywhere later.
    write("linked.plist", xmlFilter("org.glyphward.host"));
    fs::create_symlink(dir + "/good.dylib", dir + "/linked.dylib");
    write("folder.plist", xmlFilter("org.glyphward.host"));
    fs::create_directory(dir + "/folder.dylib");

    const auto refused = load();
    EXPECT_EQ(opened, (std::vector<std::string> { "good.dylib" }));
    EXPECT_EQ(refused.size(), 4u);
    EXPECT_TRUE(loggedAbout("worldlib.dylib: is writable by group or others"));
    EXPECT_TRUE(loggedAbout("grouplist.plist: is writable by group or others"));
    EXPECT_TRUE(loggedAbout("linked.dylib: is not a regular file"));
    EXPECT_TRUE(loggedAbout("folder.dylib: is not a regular file"));

    // A filter that cannot be trusted is refused even when it names another app.
    tweak("stranger", "com.example.other");
    fs::permissions(dir + "/stranger.plist", fs::perms(0666));
    EXPECT_EQ(load().size(), 5u);
}

TEST_F(TweakFolder, RefusesFilesOwnedBySomeoneElse)
{
    tweak("owned", "org.glyphward.host");
    if (::geteuid() != 0)
        GTEST_SKIP() << "giving a file away needs root";
    ASSERT_EQ(::chown((dir + "/owned.dylib").c_str(), 4242, 4242), 0);
    EXPECT_EQ(load().size(), 1u);
    EXPECT_TRUE(opened.empty());
    EXPECT_TRUE(loggedAbout("owned.dylib: is owned by another user"));
}

TEST_F(TweakFolder, ALibraryThatDoesNotLoadIsLoggedAndNotCounted)
{
    tweak("broken", "org.glyphward.host");
    const auto report = TweakLoader::loadFromDirectory(dir, "org.glyphward.host", &TweakLoader::openLibrary);
    EXPECT_TRUE(report.loaded.empty());
    EXPECT_TRUE(report.refused.empty());
    EXPECT_TRUE(loggedAbout("could not load " + dir + "/broken.dylib"));
}
