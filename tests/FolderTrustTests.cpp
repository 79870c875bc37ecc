// Folders another local user could change are never trusted: not by the tweak loader, not by the
// settings store, whatever link or mode was put on the way from the device root.
#include "FreshSettings.h"
#include "SettingsTestSupport.h"

#include "platform/foundation/FolderTrust.h"
#include "platform/foundation/NSString.h"
#include "platform/loader/TweakLoader.h"

#include <sys/stat.h>
#include <unistd.h>

using namespace settings_test;
namespace fs = std::filesystem;

namespace {

const std::string libraries = "Library/MobileSubstrate/DynamicLibraries";

// A root with a library folder holding one tweak for the host; what the loader opened.
struct LoaderRoot {
    LoaderRoot()
    {
        writeBytes(folder() + "/Glyphward.dylib", readBytes(GLYPHWARD_TEST_PLAIN_LIBRARY));
        writeBytes(folder() + "/Glyphward.plist",
            "<plist version=\"1.0\"><dict><key>Filter</key><dict><key>Bundles</key><array><string>org.glyphward.host</string>"
            "</array></dict></dict></plist>");
    }
    std::string folder() const { return root.path + "/" + libraries; }
    TweakLoader::Report load()
    {
        opened.clear();
        return TweakLoader::loadFromDirectory(folder(), "org.glyphward.host",
            [this](int, const std::string& path) {
                opened.push_back(path);
                return true;
            },
            root.path);
    }
    TempRoot root;
    std::vector<std::string> opened;
};

std::optional<std::string> passcode()
{
    return NSUserDefaults::standardUserDefaults()->stringForKey("PASS_CODE");
}

} // namespace

TEST(FolderTrust, JudgesEveryFolderFromTheRootDownAndNothingAboveIt)
{
    TempRoot temp;
    const std::string deep = temp.path + "/a/b/c";
    fs::create_directories(deep);
    EXPECT_TRUE(FolderTrust::judge(temp.path, deep).trusted());
    EXPECT_TRUE(FolderTrust::judge(temp.path + "/", deep + "/").trusted());

    const auto refusal = [&](const std::string& root, const std::string& folder) {
        const FolderTrust::Verdict verdict = FolderTrust::judge(root, folder);
        return verdict.refused() ? verdict.describe() : std::string("not refused");
    };
    fs::permissions(temp.path + "/a", fs::perms(0777));
    EXPECT_EQ(refusal(temp.path, deep), temp.path + "/a is writable by group or others");
    fs::permissions(temp.path + "/a", fs::perms(0770));
    EXPECT_EQ(refusal(temp.path, deep), temp.path + "/a is writable by group or others");
    // Above the root nothing is judged: here /tmp, which everyone may write.
    EXPECT_TRUE(FolderTrust::judge(temp.path + "/a/b", deep).trusted());
    fs::permissions(temp.path + "/a", fs::perms(0700));
    // The root itself is judged.
    fs::permissions(temp.path, fs::perms(0703));
    EXPECT_EQ(refusal(temp.path, deep), temp.path + " is writable by group or others");
    fs::permissions(temp.path, fs::perms(0700));

    // A link in a folder's place is refused, never followed, even to a good folder.
    fs::rename(temp.path + "/a/b", temp.path + "/elsewhere");
    fs::create_directory_symlink(temp.path + "/elsewhere", temp.path + "/a/b");
    EXPECT_EQ(refusal(temp.path, deep), temp.path + "/a/b is a symbolic link");
    fs::remove(temp.path + "/a/b");
    writeBytes(temp.path + "/a/b", "a file");
    EXPECT_EQ(refusal(temp.path, deep), temp.path + "/a/b is not a folder");

    // What is missing is missing, not refused; a refusal above it still counts.
    fs::remove(temp.path + "/a/b");
    EXPECT_EQ(FolderTrust::judge(temp.path, deep).describe(), temp.path + "/a/b does not exist");
    EXPECT_FALSE(FolderTrust::judge(temp.path, deep).refused());
    fs::permissions(temp.path + "/a", fs::perms(0777));
    EXPECT_TRUE(FolderTrust::judge(temp.path, deep).refused());
}

TEST(FolderTrust, AFolderOfAnotherUserIsRefused)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "giving a folder away needs root";
    TempRoot temp;
    fs::create_directories(temp.path + "/a/b");
    ASSERT_EQ(::chown((temp.path + "/a").c_str(), 4242, 4242), 0);
    EXPECT_EQ(FolderTrust::judge(temp.path, temp.path + "/a/b").describe(), temp.path + "/a is owned by another user");
    // Root's own folders are as good as the user's.
    ASSERT_EQ(::chown((temp.path + "/a").c_str(), 0, 0), 0);
    EXPECT_TRUE(FolderTrust::judge(temp.path, temp.path + "/a/b").trusted());
}

TEST(FolderTrustLoader, RefusesALibraryFolderOthersCouldChangeAndSaysSo)
{
    LoaderRoot loader;
    ASSERT_EQ(loader.load().loaded.size(), 1u);

    for (const std::string& folder : { libraries, std::string("Library/MobileSubstrate"), std::string("Library"), std::string() }) {
        const std::string path = loader.root.path + (folder.empty() ? "" : "/" + folder);
        const auto before = fs::status(path).permissions();
        fs::permissions(path, fs::perms::group_write, fs::perm_options::add);
        loader.root.log.clear();
        const auto report = loader.load();
        fs::permissions(path, before);
        EXPECT_TRUE(loader.opened.empty()) << folder;
        EXPECT_EQ(report.refused, std::vector<std::string> { path }) << folder;
        EXPECT_TRUE(loader.root.logged("TweakLoader: refused " + path + ": is writable by group or others")) << folder;
        EXPECT_TRUE(loader.root.logged("TweakLoader: no library for org.glyphward.host in " + loader.folder() + ": the folder " + path + " is refused"))
            << folder;
    }

    // A link in place of the library folder, even to the very folder, is not followed.
    fs::rename(loader.folder(), loader.root.path + "/real");
    fs::create_directory_symlink(loader.root.path + "/real", loader.folder());
    loader.root.log.clear();
    EXPECT_TRUE(loader.load().loaded.empty());
    EXPECT_TRUE(loader.root.logged("TweakLoader: refused " + loader.folder() + ": is a symbolic link"));

    // An empty folder, or none, loads nothing, and says so.
    fs::remove(loader.folder());
    fs::create_directory(loader.folder());
    loader.root.log.clear();
    EXPECT_TRUE(loader.load().loaded.empty());
    EXPECT_EQ(loader.root.log, std::vector<std::string> { "TweakLoader: no library for org.glyphward.host in " + loader.folder() + ": it holds no .dylib file" });
    fs::remove(loader.folder());
    loader.root.log.clear();
    EXPECT_TRUE(loader.load().loaded.empty());
    EXPECT_EQ(loader.root.log,
        std::vector<std::string> { "TweakLoader: no library for org.glyphward.host in " + loader.folder() + ": " + loader.folder() + " does not exist" });
}

TEST(FolderTrustLoader, RefusesALibraryFolderOfAnotherUser)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "giving a folder away needs root";
    LoaderRoot loader;
    ASSERT_EQ(::chown(loader.folder().c_str(), 4242, 4242), 0);
    EXPECT_TRUE(loader.load().loaded.empty());
    EXPECT_TRUE(loader.root.logged("TweakLoader: refused " + loader.folder() + ": is owned by another user"));
}

TEST(FolderTrustStore, APreferencesFolderOthersCouldChangeIsNeitherReadNorWritten)
{
    TempRoot root;
    const std::string file = root.file("org.glyphward.host");
    writeDomainFile(file, { { "PASS_CODE", NSString::stringWithString("0,1,2") } }, NSPropertyListSerialization::Format::XML);
    const std::string before = readBytes(file);
    for (const std::string& folder : { std::string("var/mobile/Library/Preferences"), std::string("var"), std::string() }) {
        const std::string path = root.path + (folder.empty() ? "" : "/" + folder);
        const auto modes = fs::status(path).permissions();
        fs::permissions(path, fs::perms(0777));
        forgetStandardUserDefaults();
        auto defaults = NSUserDefaults::standardUserDefaults();
        // Unreadable, not empty: the lock keeps itself up on this.
        EXPECT_EQ(passcode(), std::nullopt) << folder;
        EXPECT_EQ(readFailureOf(*defaults), "the folder " + path + " is writable by group or others") << folder;
        defaults->setObject(NSString::stringWithString("6,7,8"), "PASS_CODE");
        root.log.clear();
        EXPECT_EQ(failureText(defaults->save()), file + " is refused: the folder " + path + " is writable by group or others");
        EXPECT_TRUE(root.logged("NSUserDefaults: refusing " + file)) << folder;
        EXPECT_NE(failureText(defaults->removePersistentDomain()), "") << folder;
        EXPECT_EQ(readBytes(file), before) << folder;
        fs::permissions(path, modes);
    }
    forgetStandardUserDefaults();
    EXPECT_EQ(passcode(), "0,1,2");
}

TEST(FolderTrustStore, ASettingsFolderSwappedForALinkIsRefused)
{
    TempRoot root;
    // Someone else's var/, with a passcode of their choosing, linked in place of the user's.
    const std::string theirs = root.path + "/theirs";
    writeDomainFile(theirs + "/mobile/Library/Preferences/org.glyphward.host.plist", { { "PASS_CODE", NSString::stringWithString("4") } },
        NSPropertyListSerialization::Format::XML);
    fs::create_directory_symlink(theirs, root.path + "/var");
    forgetStandardUserDefaults();
    EXPECT_EQ(passcode(), std::nullopt);
    EXPECT_EQ(readFailureOf(*NSUserDefaults::standardUserDefaults()), "the folder " + root.path + "/var is a symbolic link");
    NSUserDefaults::standardUserDefaults()->setObject(NSString::stringWithString("0,1"), "PASS_CODE");
    EXPECT_FALSE(NSUserDefaults::standardUserDefaults()->synchronize());
    EXPECT_EQ(readDomainFile(theirs + "/mobile/Library/Preferences/org.glyphward.host.plist")->objectForKey("PASS_CODE")->description(), "4");
}

TEST(FolderTrustStore, AFolderOfAnotherUserIsRefused)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "giving a folder away needs root";
    TempRoot root;
    writeDomainFile(root.file("org.glyphward.host"), { { "PASS_CODE", NSString::stringWithString("4") } }, NSPropertyListSerialization::Format::XML);
    ASSERT_EQ(::chown((root.path + "/var/mobile").c_str(), 4242, 4242), 0);
    forgetStandardUserDefaults();
    EXPECT_EQ(passcode(), std::nullopt);
    EXPECT_EQ(readFailureOf(*NSUserDefaults::standardUserDefaults()), "the folder " + root.path + "/var/mobile is owned by another user");
}

TEST(FolderTrustStore, FoldersTheStoreMakesArePrivateWhateverTheUmask)
{
    TempRoot root;
    ::umask(0);
    auto defaults = NSUserDefaults::standardUserDefaults();
    defaults->setObject(NSString::stringWithString("0,1,2"), "PASS_CODE");
    ASSERT_EQ(failureText(defaults->save()), "");
    for (const char* folder : { "var", "var/mobile", "var/mobile/Library", "var/mobile/Library/Preferences" }) {
        struct stat info {};
        ASSERT_EQ(::lstat((root.path + "/" + folder).c_str(), &info), 0) << folder;
        EXPECT_EQ(info.st_mode & 07777, 0700u) << folder;
    }
}
