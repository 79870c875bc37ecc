#include "SettingsTestSupport.h"

#include "platform/foundation/NSString.h"

#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>

using namespace settings_test;

namespace {
std::string storedPasscode(const TempRoot& root)
{
    auto disk = readDomainFile(root.file("org.glyphward.host"));
    if (!disk)
        return "(unreadable)";
    auto value = disk->objectForKey("PASS_CODE");
    return value ? value->description() : "(none)";
}
} // namespace

TEST(UserDefaultsFaults, EveryFailedFileOperationKeepsTheOldFileWholeAndTheValuePending)
{
    TempRoot root;
    auto defaults = NSUserDefaults::standardUserDefaults();
    defaults->setObject(NSString::stringWithString("old"), "PASS_CODE");
    defaults->setBool(true, "LOCK_LOCK_OFF");
    ASSERT_TRUE(defaults->synchronize());

    // Count the calls one write makes, then fail each of them in turn.
    auto counter = std::make_shared<FailingFileOps>(-1);
    FileOps::setCurrent(counter);
    defaults->setObject(NSString::stringWithString("old"), "PASS_CODE");
    ASSERT_TRUE(defaults->synchronize());
    const int calls = counter->calls();
    ASSERT_GE(calls, 8);

    std::vector<std::string> failedKinds;
    for (int n = 0; n < calls; ++n) {
        std::string value = "new" + std::to_string(n);
        auto failing = std::make_shared<FailingFileOps>(n);
        FileOps::setCurrent(failing);
        defaults->setObject(NSString::stringWithString(value), "PASS_CODE");
        root.log.clear();
        EXPECT_FALSE(defaults->synchronize()) << "failing call " << n << " (" << failing->failed() << ")";
        FileOps::setCurrent(nullptr);
        failedKinds.push_back(failing->failed());

        EXPECT_FALSE(root.log.empty()) << failing->failed();
        // Only a failure after the rename (flushing the folder) can leave the new file in place.
        std::string expected = failing->renamedBeforeFailure() ? value : "old";
        EXPECT_EQ(storedPasscode(root), expected) << "failing call " << n << " (" << failing->failed() << ")";
        EXPECT_TRUE(readDomainFile(root.file("org.glyphward.host"))->objectForKey("LOCK_LOCK_OFF") != nullptr);
        EXPECT_TRUE(root.strayFiles().empty()) << failing->failed();
        EXPECT_EQ(defaults->stringForKey("PASS_CODE"), value);

        // The pending value goes out with the next successful write.
        ASSERT_TRUE(defaults->synchronize());
        EXPECT_EQ(storedPasscode(root), value);
        ASSERT_TRUE(defaults->synchronize());
        defaults->setObject(NSString::stringWithString("old"), "PASS_CODE");
        ASSERT_TRUE(defaults->synchronize());
    }
    for (const char* kind : {"open", "write", "fsync", "rename", "fchmod", "flock"})
        EXPECT_NE(std::find(failedKinds.begin(), failedKinds.end(), kind), failedKinds.end()) << kind;

    // Folders are made only when missing; one that cannot be made fails the write the same way.
    class NoNewFolders : public FileOps {
    public:
        int mkdir(const std::string&, mode_t) override
        {
            errno = EACCES;
            return -1;
        }
    };
    std::filesystem::remove_all(root.path + "/var");
    FileOps::setCurrent(std::make_shared<NoNewFolders>());
    defaults->setObject(NSString::stringWithString("after"), "PASS_CODE");
    root.log.clear();
    EXPECT_FALSE(defaults->synchronize());
    EXPECT_FALSE(root.log.empty());
    EXPECT_EQ(defaults->stringForKey("PASS_CODE"), "after");
    FileOps::setCurrent(nullptr);
    ASSERT_TRUE(defaults->synchronize());
    EXPECT_EQ(storedPasscode(root), "after");
    struct stat info {};
    ASSERT_EQ(::stat(root.preferences().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);

    // A failed write says why, and its change can be dropped: reads then answer the file again.
    FileOps::setCurrent(std::make_shared<FailingFileOps>(0));
    defaults->setObject(NSString::stringWithString("dropped"), "PASS_CODE");
    const Result<void> failed = defaults->save();
    EXPECT_EQ(failureText(failed), "could not open the folder " + root.preferences() + ": Input/output error");
    if (!failed.ok()) {
        EXPECT_EQ(failed.failure().path, root.preferences());
        EXPECT_EQ(failed.failure().error, EIO);
    }
    FileOps::setCurrent(nullptr);
    defaults->discardChangeForKey("PASS_CODE");
    EXPECT_EQ(defaults->stringForKey("PASS_CODE"), "after");
    EXPECT_EQ(failureText(defaults->save()), "");
}

TEST(UserDefaultsFaults, AFolderThatCannotBeListedKeepsDeadWritersTemporariesForALaterWrite)
{
    class Unlistable : public FileOps {
    public:
        std::optional<std::vector<std::string>> listDirectory(const std::string&) override
        {
            errno = EACCES;
            return std::nullopt;
        }
    };
    TempRoot root;
    const std::string leftover = root.preferences() + "/.org.glyphward.host.plist.tmp.999999";
    writeBytes(leftover, "half a file");
    FileOps::setCurrent(std::make_shared<Unlistable>());
    auto defaults = freshStore("org.glyphward.host");
    defaults->setObject(NSString::stringWithString("1"), "PASS_CODE");
    EXPECT_TRUE(defaults->synchronize()) << "clearing leftovers is no part of the write";
    EXPECT_EQ(storedPasscode(root), "1");
    EXPECT_TRUE(std::filesystem::exists(leftover));

    // The folder is listed through the file operations in force, and looked at again next time.
    FileOps::setCurrent(nullptr);
    defaults->setObject(NSString::stringWithString("2"), "PASS_CODE");
    EXPECT_TRUE(defaults->synchronize());
    EXPECT_EQ(storedPasscode(root), "2");
    EXPECT_TRUE(root.strayFiles().empty());
}

TEST(UserDefaultsFaults, AFileThatCannotBeReadIsNeitherSetAsideNorReplaced)
{
    // Reading the settings file is refused as it would be without permission.
    class Unreadable : public FileOps {
    public:
        explicit Unreadable(std::string path) : path_(std::move(path)) { }
        int open(const std::string& path, int flags, mode_t mode) override
        {
            if (path == path_ && (flags & O_ACCMODE) == O_RDONLY) {
                errno = EACCES;
                return -1;
            }
            return FileOps::open(path, flags, mode);
        }

    private:
        std::string path_;
    };
    TempRoot root;
    writeDomainFile(root.file("org.glyphward.host"), {{"PASS_CODE", NSString::stringWithString("keep")}},
                    NSPropertyListSerialization::Format::XML);
    FileOps::setCurrent(std::make_shared<Unreadable>(root.file("org.glyphward.host")));
    auto defaults = NSUserDefaults::standardUserDefaults();
    EXPECT_EQ(defaults->objectForKey("PASS_CODE"), nullptr);
    EXPECT_EQ(readFailureOf(*defaults), "Permission denied") << "not the same as a missing file";
    EXPECT_FALSE(defaults->readBool("PASS_CODE").ok());
    defaults->setObject(NSString::stringWithString("other"), "PASS_CODE");
    const Result<void> refused = defaults->save();
    EXPECT_NE(failureText(refused).find("cannot be read (Permission denied)"), std::string::npos);
    EXPECT_FALSE(defaults->readObject("PASS_CODE").ok()) << "a refused write leaves the read failing";
    EXPECT_EQ(storedPasscode(root), "keep");
    EXPECT_FALSE(std::filesystem::exists(root.file("org.glyphward.host") + ".corrupt"));

    // Once the file can be read again, the pending value is written over its other keys.
    FileOps::setCurrent(nullptr);
    EXPECT_TRUE(defaults->synchronize());
    EXPECT_EQ(readFailureOf(*defaults), std::nullopt);
    EXPECT_EQ(storedPasscode(root), "other");

    // A folder or a FIFO in the file's place cannot be read either, and nothing waits on the FIFO.
    const std::string file = root.file("org.glyphward.host");
    for (const char* kind : {"folder", "fifo"}) {
        std::filesystem::remove(file);
        ASSERT_EQ(std::string(kind) == "folder" ? ::mkdir(file.c_str(), 0700) : ::mkfifo(file.c_str(), 0600), 0);
        auto later = freshStore("org.glyphward.host");
        EXPECT_FALSE(later->boolForKey("PASS_CODE"));
        EXPECT_EQ(readFailureOf(*later), std::string(kind) == "folder" ? "Is a directory" : "not a regular file");
        later->setObject(NSString::stringWithString("x"), "PASS_CODE");
        EXPECT_FALSE(later->synchronize());
        EXPECT_EQ(defaults->objectForKey("PASS_CODE")->description(), "other") << "what was read stays";
        EXPECT_TRUE(readFailureOf(*defaults).has_value());
        EXPECT_FALSE(std::filesystem::exists(file + ".corrupt"));
        std::filesystem::remove(file);
        const auto read = later->readObject("PASS_CODE");
        ASSERT_TRUE(read.ok()) << "a missing file is an empty domain";
        EXPECT_EQ(read.value()->description(), "x");
    }
}
