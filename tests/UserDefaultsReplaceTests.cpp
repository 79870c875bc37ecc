#include "SettingsTestSupport.h"

#include "platform/foundation/NSString.h"

#include <sys/stat.h>

using namespace settings_test;

namespace {
std::shared_ptr<NSObject> str(const std::string& text) { return NSString::stringWithString(text); }
} // namespace

TEST(UserDefaultsReplace, ReplacesTheWholeDomainAndDropsWhatWasPending)
{
    TempRoot root;
    auto defaults = NSUserDefaults::standardUserDefaults();
    defaults->setObject(str("old"), "PASS_CODE");
    defaults->setBool(true, "LOCK_LOCK_OFF");
    ASSERT_TRUE(defaults->synchronize());
    defaults->setObject(str("pending"), "PENDING");

    ASSERT_EQ(failureText(defaults->replacePersistentDomain({{"ONLY", str("new")}})), "");
    EXPECT_EQ(defaults->objectForKey("PASS_CODE"), nullptr);
    EXPECT_EQ(defaults->objectForKey("PENDING"), nullptr);
    EXPECT_EQ(defaults->stringForKey("ONLY"), "new");
    auto disk = readDomainFile(root.file("org.glyphward.host"));
    ASSERT_NE(disk, nullptr);
    EXPECT_EQ(disk->count(), 1u);
    // A later write merges over the replaced domain, not over what was there before.
    defaults->setObject(str("after"), "AFTER");
    ASSERT_TRUE(defaults->synchronize());
    EXPECT_EQ(readDomainFile(root.file("org.glyphward.host"))->count(), 2u);
    struct stat info{};
    ASSERT_EQ(stat(root.file("org.glyphward.host").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0600u);
}

TEST(UserDefaultsReplace, SetsABadFileAsideAndNeverReplacesOneItCannotRead)
{
    TempRoot root;
    const std::string file = root.file("com.example.bad");
    writeBytes(file, "not a plist");
    auto defaults = freshStore("com.example.bad");
    ASSERT_EQ(failureText(defaults->replacePersistentDomain({{"K", str("v")}})), "");
    EXPECT_EQ(readBytes(file + ".corrupt"), "not a plist");
    EXPECT_EQ(defaults->stringForKey("K"), "v");

    const std::string folderInPlace = root.file("com.example.folder");
    ASSERT_EQ(mkdir(folderInPlace.c_str(), 0700), 0);
    auto blocked = freshStore("com.example.folder");
    const std::string why = failureText(blocked->replacePersistentDomain({{"K", str("v")}}));
    EXPECT_NE(why.find("cannot be read"), std::string::npos) << why;
    EXPECT_TRUE(std::filesystem::is_directory(folderInPlace));
}

TEST(UserDefaultsReplace, EveryFailedFileOperationLeavesOneWholeFile)
{
    TempRoot root;
    auto defaults = NSUserDefaults::standardUserDefaults();
    defaults->setObject(str("old"), "PASS_CODE");
    ASSERT_TRUE(defaults->synchronize());

    auto counter = std::make_shared<FailingFileOps>(-1);
    FileOps::setCurrent(counter);
    ASSERT_EQ(failureText(defaults->replacePersistentDomain({{"PASS_CODE", str("old")}})), "");
    FileOps::setCurrent(nullptr);
    const int calls = counter->calls();
    ASSERT_GE(calls, 6);
    for (int n = 0; n < calls; ++n) {
        auto failing = std::make_shared<FailingFileOps>(n);
        FileOps::setCurrent(failing);
        const std::string why = failureText(defaults->replacePersistentDomain({{"NEW", str("x")}}));
        FileOps::setCurrent(nullptr);
        EXPECT_FALSE(why.empty()) << "failing call " << n << " (" << failing->failed() << ")";
        auto disk = readDomainFile(root.file("org.glyphward.host"));
        ASSERT_NE(disk, nullptr) << failing->failed();
        // Either the old domain whole, or (a failure after the rename) the new one whole.
        if (failing->renamedBeforeFailure()) {
            EXPECT_EQ(disk->count(), 1u);
            EXPECT_NE(disk->objectForKey("NEW"), nullptr);
        } else {
            EXPECT_EQ(disk->count(), 1u);
            EXPECT_NE(disk->objectForKey("PASS_CODE"), nullptr) << failing->failed();
        }
        EXPECT_TRUE(root.strayFiles().empty()) << failing->failed();
        ASSERT_EQ(failureText(defaults->replacePersistentDomain({{"PASS_CODE", str("old")}})), "");
    }
}
