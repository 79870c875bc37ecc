#include "SettingsTestSupport.h"

#include "platform/foundation/NSString.h"

#include <algorithm>
#include <csignal>
#include <cstdint>
#include <fcntl.h>
#include <random>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace settings_test;

namespace {
long long storedCounter(const std::shared_ptr<NSDictionary>& disk)
{
    auto value = disk ? std::dynamic_pointer_cast<NSString>(disk->objectForKey("PASS_CODE")) : nullptr;
    return value ? std::stoll(value->string()) : -1;
}

// What a writer tells its parent, one record at a time: a counter that synchronize has put on
// disk, or kStep for a file operation it has just made.
constexpr std::int64_t kStep = -1;

void report(int fd, std::int64_t record)
{
    // The parent has gone away: nobody is left to kill this writer.
    if (::write(fd, &record, sizeof record) != static_cast<ssize_t>(sizeof record))
        _exit(3);
}

// The real file operations, each followed by a step record, so the parent can choose a moment
// anywhere inside a write by counting steps instead of guessing how fast writes are.
class ReportingFileOps : public FileOps {
public:
    explicit ReportingFileOps(int fd) : fd_(fd) { }
    int open(const std::string& path, int flags, mode_t mode) override { return step(FileOps::open(path, flags, mode)); }
    ssize_t read(int fd, void* buffer, size_t size) override { return step(FileOps::read(fd, buffer, size)); }
    ssize_t write(int fd, const void* buffer, size_t size) override { return step(FileOps::write(fd, buffer, size)); }
    int fsync(int fd) override { return step(FileOps::fsync(fd)); }
    int fchmod(int fd, mode_t mode) override { return step(FileOps::fchmod(fd, mode)); }
    int close(int fd) override { return step(FileOps::close(fd)); }
    int rename(const std::string& from, const std::string& to) override { return step(FileOps::rename(from, to)); }
    int unlink(const std::string& path) override { return step(FileOps::unlink(path)); }
    int flock(int fd, int operation) override { return step(FileOps::flock(fd, operation)); }

private:
    template <class T> T step(T result)
    {
        report(fd_, kStep);
        return result;
    }
    int fd_;
};

// Writes an ever larger PASS_CODE, continuing from what is on disk, reporting each counter that
// landed, until killed.
[[noreturn]] void writeForever(int reportFd)
{
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    FileOps::setCurrent(std::make_shared<ReportingFileOps>(reportFd));
    auto own = freshStore("org.glyphward.host");
    long long next = own->integerForKey("PASS_CODE");
    for (;;) {
        own->setObject(NSString::stringWithString(std::to_string(++next)), "PASS_CODE");
        if (!own->synchronize())
            _exit(2);
        report(reportFd, next);
    }
}

// Reads the writer's next record; false when it has stopped writing.
bool nextRecord(int fd, std::int64_t& record) { return ::read(fd, &record, sizeof record) == static_cast<ssize_t>(sizeof record); }
} // namespace

TEST(UserDefaultsCrash, AWriterKilledAtAnyMomentLeavesTheOldOrTheNewFileAndNoStrayTemporary)
{
    TempRoot root;
    const std::string file = root.file("org.glyphward.host");
    // Each writer is killed once a write of its own has landed, after a further number of file
    // operations drawn from a fixed seed: a moment anywhere in the writes that follow, whatever
    // the machine's speed.
    std::mt19937 random(20261207);
    std::uniform_int_distribution<int> furtherSteps(0, 20);
    constexpr int kKills = 1000;
    long long last = -1;
    for (int kill = 1; kill <= kKills; ++kill) {
        int reports[2];
        ASSERT_EQ(::pipe2(reports, O_CLOEXEC), 0);
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(reports[0]);
            writeForever(reports[1]);
        }
        ::close(reports[1]);
        std::int64_t record = kStep;
        long long landed = -1;
        while (landed < 0 && nextRecord(reports[0], record))
            landed = record;
        for (int steps = furtherSteps(random); steps > 0 && nextRecord(reports[0], record); --steps)
            landed = std::max<long long>(landed, record);
        ::kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        ::close(reports[0]);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the writer stopped by itself before kill " << kill;
        ASSERT_GT(landed, last) << "kill " << kill;

        // The file is always whole and holds at least the last write that was reported as landed.
        auto disk = readDomainFile(file);
        ASSERT_NE(disk, nullptr) << "after kill " << kill;
        long long stored = storedCounter(disk);
        ASSERT_GE(stored, landed) << "after kill " << kill;
        last = stored;
        ASSERT_FALSE(std::filesystem::exists(file + ".corrupt"));
        // A killed writer may leave its own temporary file, but the next writer clears it, so
        // they never pile up.
        ASSERT_LE(root.strayFiles().size(), 1u) << "after kill " << kill;

        if (kill % 100 == 0) {
            auto own = freshStore("org.glyphward.host");
            own->setInteger(kill, "KILLS");
            ASSERT_TRUE(own->synchronize());
            EXPECT_TRUE(root.strayFiles().empty()) << "after kill " << kill;
            EXPECT_EQ(own->integerForKey("PASS_CODE"), last);
        }
    }
    EXPECT_TRUE(root.log.empty());
}
