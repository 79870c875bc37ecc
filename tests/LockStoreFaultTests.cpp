// The lock when its settings store fails it: a file it cannot read, and a passcode it cannot
// write. Neither may open the door or report success.
#include "FreshSettings.h"
#include "LockTestSupport.h"

#include "platform/foundation/FileOps.h"

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <iterator>
#include <sys/file.h>
#include <sys/stat.h>

using namespace lock_test;

namespace {

class LockStoreFaultTests : public LockFixture {
protected:
    void TearDown() override
    {
        FileOps::setCurrent(nullptr);
        LockFixture::TearDown();
    }
    static std::string settingsFile() { return NSUserDefaults::pathForDomain(kDomain); }
    bool loggedPart(const std::string& part) const
    {
        return std::any_of(logs.begin(), logs.end(), [&](const std::string& l) { return l.find(part) != std::string::npos; });
    }
    static void writeFile(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }
    static std::string fileBytes(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    bool shaking() const { return !(controller_->label()->transform() == CGAffineTransformIdentity); }
};

// Every write fails as on a full disk; reads work.
class FullDisk : public FileOps {
public:
    ssize_t write(int, const void*, size_t) override
    {
        errno = ENOSPC;
        return -1;
    }
};

// The settings file answers its first look and then fails every later one, as a disk that goes
// away between two reads would.
class FailsAfterFirstLook : public FileOps {
public:
    explicit FailsAfterFirstLook(std::string path) : path_(std::move(path)) { }
    int stat(const std::string& path, struct stat* info) override
    {
        if (path == path_ && ++looks_ > 1) {
            errno = EIO;
            return -1;
        }
        return FileOps::stat(path, info);
    }
    int open(const std::string& path, int flags, mode_t mode) override
    {
        if (path == path_ && looks_ > 1) {
            errno = EIO;
            return -1;
        }
        return FileOps::open(path, flags, mode);
    }

private:
    std::string path_;
    int looks_ = 0;
};

} // namespace

TEST_F(LockStoreFaultTests, ASettingThatFailsToReadAfterAnotherReadLocks)
{
    // What memory holds would let the return through: no forced lock and a long interval.
    setOutside("PASS_CODE", NSString::stringWithString("0,1,2"));
    setOutside("LOCK_INTERVAL", NSNumber::numberWithDouble(1000));
    launch();
    controller_->registerLock();
    advance(5);
    EXPECT_FALSE(controller_->isNeedLock());

    // Lock-off reads, the two after it do not: their values are unknown, so the lock comes back.
    FileOps::setCurrent(std::make_shared<FailsAfterFirstLook>(settingsFile()));
    logs.clear();
    EXPECT_TRUE(controller_->isNeedLock());
    EXPECT_TRUE(loggedPart("The lock settings cannot be read (")) << "said, not guessed";
    EXPECT_FALSE(logged("val:5.000000")) << "no interval was judged";
    EXPECT_EQ(message(), "The lock settings cannot be read");
    FileOps::setCurrent(nullptr);
    draw({ 0, 1, 2 });
    EXPECT_EQ(unlocks, 1) << "the passcode read before stays in force";
}

TEST_F(LockStoreFaultTests, SettingsThatCannotBeReadKeepTheLockUpUntilTheyReadAgain)
{
    fs::create_directories(settingsFile());
    launch();
    EXPECT_TRUE(loggedPart("PASS_CODE cannot be read (Is a directory); the lock stays up"));
    EXPECT_EQ(message(), "The lock settings cannot be read");
    EXPECT_FALSE(controller_->isUnsetPasscode());
    EXPECT_FALSE(controller_->passcode());
    EXPECT_TRUE(controller_->resetBtn()->isHidden());

    // Nothing is compared: no pattern counts wrong or brings the wait, and none becomes a passcode.
    for (int i = 0; i < 6; ++i)
        draw({ 0, 1, 2 });
    EXPECT_EQ(message(), "The lock settings cannot be read");
    EXPECT_TRUE(shaking());
    EXPECT_EQ(controller_->failCount(), 0);
    EXPECT_FALSE(logged("密码错误，请重输"));
    tapReset();
    draw({ 0, 1, 2 });
    EXPECT_FALSE(controller_->isResetPasscode());
    EXPECT_EQ(unlocks, 0);
    EXPECT_TRUE(fs::is_directory(settingsFile()));
    logs.clear();
    EXPECT_TRUE(controller_->isNeedLock());
    EXPECT_TRUE(logged("The lock settings cannot be read (Is a directory); locking"));
    EXPECT_EQ(message(), "The lock settings cannot be read");

    // Once the file reads, the next pattern is judged against what it holds.
    fs::remove(settingsFile());
    setOutside("PASS_CODE", NSString::stringWithString("3,4,5"));
    setOutside("LOCK_LOCK_OFF", NSNumber::numberWithBool(true));
    draw({ 3, 4, 5 });
    EXPECT_EQ(unlocks, 1);
    EXPECT_FALSE(controller_->isNeedLock());
    // Lock-off that can no longer be read does not hold: the lock fails closed.
    fs::remove(settingsFile());
    fs::create_directories(settingsFile());
    EXPECT_TRUE(controller_->isNeedLock());
    EXPECT_EQ(message(), "The lock settings cannot be read");
    draw({ 3, 4, 5 });
    EXPECT_EQ(unlocks, 2) << "the passcode read before stays in force";
}

TEST_F(LockStoreFaultTests, AFifoInPlaceOfTheSettingsIsNotWaitedOnAndAnEmptyStoreAsksAfresh)
{
    fs::create_directories(fs::path(settingsFile()).parent_path());
    ASSERT_EQ(::mkfifo(settingsFile().c_str(), 0600), 0);
    launch();
    EXPECT_TRUE(loggedPart("PASS_CODE cannot be read (not a regular file); the lock stays up"));
    draw({ 0, 1 });
    EXPECT_EQ(message(), "The lock settings cannot be read");

    // The store reads again and holds nothing: setting mode, and the pattern at hand is not the
    // first of a new pair.
    fs::remove(settingsFile());
    draw({ 0, 1 });
    EXPECT_EQ(message(), "Set Passcode");
    EXPECT_FALSE(controller_->passcode());
    EXPECT_TRUE(controller_->resetBtn()->isHidden());
    EXPECT_EQ(resetTitle(), "Reset Passcode");
    draw({ 0, 1 });
    EXPECT_EQ(message(), "Re-enter your passcode");
}

TEST_F(LockStoreFaultTests, ASetAsideFileLeavesThePasscodeUnknownAtEveryLaunchUntilTheOwnerStartsAfresh)
{
    fs::create_directories(fs::path(settingsFile()).parent_path());
    writeFile(settingsFile(), "<plist><dict><key>PASS_CODE</key><string>0,1,2");
    for (int launchNumber = 0; launchNumber < 2; ++launchNumber) {
        forgetStandardUserDefaults();
        launch();
        EXPECT_TRUE(fs::exists(settingsFile() + ".corrupt"));
        EXPECT_FALSE(fs::exists(settingsFile() + ".corrupt.1"));
        EXPECT_TRUE(loggedPart("set aside as " + settingsFile() + ".corrupt"));
        EXPECT_EQ(message(), "The lock settings cannot be read");
        draw({ 0, 1, 2 });
        draw({ 0, 1, 2 });
        EXPECT_EQ(message(), "The lock settings cannot be read");
        EXPECT_FALSE(fs::exists(settingsFile())) << "no pattern became a passcode";
        EXPECT_EQ(unlocks, 0);
        EXPECT_TRUE(controller_->isNeedLock());
        logs.clear();
    }

    // Deleting PASS_CODE, as the owner does with the settings tool, starts the domain afresh.
    auto owner = outsideDefaults();
    owner->removeObjectForKey("PASS_CODE");
    ASSERT_TRUE(owner->startAfresh().ok());
    forgetStandardUserDefaults();
    launch();
    EXPECT_EQ(message(), "Set Passcode");
    EXPECT_EQ(fileBytes(settingsFile() + ".corrupt"), "<plist><dict><key>PASS_CODE</key><string>0,1,2");
}

namespace {

// A folder lock some other process holds and never lets go of, on a clock that moves only when
// the store pauses.
class BusyLock : public FileOps {
public:
    int flock(int fd, int operation) override
    {
        if ((operation & LOCK_EX) == 0)
            return FileOps::flock(fd, operation);
        ++tries;
        errno = EWOULDBLOCK;
        return -1;
    }
    double monotonicSeconds() override { return now; }
    void pause(double seconds) override { now += seconds; }
    int tries = 0;
    double now = 0;
};

} // namespace

TEST_F(LockStoreFaultTests, AFolderLockHeldForeverFailsTheWriteAfterABoundedWait)
{
    setOutside("PASS_CODE", NSString::stringWithString("0,1,2"));
    launch();
    tapReset();
    draw({ 0, 1, 2 });
    auto busy = std::make_shared<BusyLock>();
    FileOps::setCurrent(busy);
    draw({ 3, 4, 5 });
    draw({ 3, 4, 5 });
    EXPECT_EQ(message(), "Passcode not saved");
    EXPECT_TRUE(loggedPart("is locked by another process"));
    EXPECT_GT(busy->tries, 1) << "tried again before giving up";
    EXPECT_GE(busy->now, FileOps::kLockWaitSeconds);
    EXPECT_LT(busy->now, FileOps::kLockWaitSeconds + 1.0);
    EXPECT_EQ(storedPasscode(), "0,1,2");
    EXPECT_EQ(controller_->passcode(), "0,1,2");
    FileOps::setCurrent(nullptr);
    draw({ 0, 1, 2 });
    EXPECT_EQ(unlocks, 1);
}

TEST_F(LockStoreFaultTests, ALaunchOverABadFileWithTheFolderLockHeldFailsClosed)
{
    fs::create_directories(fs::path(settingsFile()).parent_path());
    writeFile(settingsFile(), "garbage");
    FileOps::setCurrent(std::make_shared<BusyLock>());
    launch();
    EXPECT_TRUE(loggedPart("is locked by another process"));
    EXPECT_EQ(message(), "The lock settings cannot be read");
    draw({ 0, 1, 2 });
    draw({ 0, 1, 2 });
    EXPECT_EQ(message(), "The lock settings cannot be read");
    EXPECT_EQ(fileBytes(settingsFile()), "garbage") << "left in place, never replaced";
    EXPECT_TRUE(controller_->isNeedLock());
}

TEST_F(LockStoreFaultTests, APasscodeIsReportedSavedOnlyOnceItIsOnDisk)
{
    launch();
    FileOps::setCurrent(std::make_shared<FullDisk>());
    draw({ 0, 1, 2 });
    draw({ 0, 1, 2 });
    EXPECT_EQ(message(), "Passcode not saved");
    EXPECT_TRUE(shaking());
    EXPECT_TRUE(loggedPart("PASS_CODE could not be saved; could not write "));
    EXPECT_TRUE(loggedPart(": No space left on device"));
    EXPECT_TRUE(controller_->isUnsetPasscode());
    EXPECT_FALSE(controller_->passcode()) << "back to the first pattern";
    EXPECT_TRUE(controller_->resetBtn()->isHidden());
    EXPECT_FALSE(storedPasscode());
    EXPECT_EQ(NSUserDefaults::standardUserDefaults()->objectForKey("PASS_CODE"), nullptr) << "memory shows the disk";
    advance(2.0);
    EXPECT_TRUE(lockWindow_->isKeyWindow()) << "the host is not handed the screen";

    FileOps::setCurrent(nullptr);
    draw({ 0, 1, 2 });
    draw({ 0, 1, 2 });
    EXPECT_EQ(message(), "Success");
    advance(1.5);
    postBackground();
    lockWindow_->makeKeyAndVisible();

    // A reset on a full disk: the old passcode stays stored and in force throughout.
    FileOps::setCurrent(std::make_shared<FullDisk>());
    tapReset();
    draw({ 0, 1, 2 });
    EXPECT_EQ(message(), "Set new passcode");
    draw({ 3, 4, 5 });
    draw({ 3, 4, 5 });
    EXPECT_EQ(message(), "Passcode not saved");
    EXPECT_FALSE(controller_->isUnsetPasscode());
    EXPECT_FALSE(controller_->isResetPasscode());
    EXPECT_EQ(controller_->passcode(), "0,1,2");
    EXPECT_FALSE(controller_->resetBtn()->isHidden());
    EXPECT_EQ(resetTitle(), "Reset Passcode");
    EXPECT_EQ(storedPasscode(), "0,1,2");
    draw({ 3, 4, 5 });
    EXPECT_EQ(message(), "Wrong Passcode");
    draw({ 0, 1, 2 });
    EXPECT_EQ(unlocks, 1);

    // The next launch finds the same passcode.
    FileOps::setCurrent(nullptr);
    launch();
    EXPECT_EQ(controller_->passcode(), "0,1,2");
}
