#include "SettingsTestSupport.h"

#include "platform/foundation/NSString.h"

#include <chrono>
#include <csignal>
#include <random>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace settings_test;

namespace {
long long storedCounter(const std::shared_ptr<NSDictionary>& disk)
{
    auto value = disk ? std::dynamic_pointer_cast<NSString>(disk->objectForKey("PASS_CODE")) : nullptr;
    return value ? std::stoll(value->string()) : -1;
}

// Writes an ever larger PASS_CODE, continuing from what is on disk, until killed.
[[noreturn]] void writeForever()
{
    auto own = freshStore("org.glyphward.host");
    long long next = own->integerForKey("PASS_CODE");
    for (;;) {
        own->setObject(NSString::stringWithString(std::to_string(++next)), "PASS_CODE");
        own->synchronize();
    }
}
} // namespace

TEST(UserDefaultsCrash, AWriterKilledAtAnyMomentLeavesTheOldOrTheNewFileAndNoStrayTemporary)
{
    TempRoot root;
    const std::string file = root.file("org.glyphward.host");
    // The kill moments are drawn from a fixed seed; the sleeps below only choose them.
    std::mt19937 random(20261207);
    std::uniform_int_distribution<int> delayMicroseconds(0, 4000);
    constexpr int kKills = 1000;
    long long last = -1;
    int progressed = 0;
    for (int kill = 1; kill <= kKills; ++kill) {
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0)
            writeForever();
        std::this_thread::sleep_for(std::chrono::microseconds(delayMicroseconds(random)));
        ::kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status));

        // The file is always whole: missing only before the very first write, else parsing and
        // holding a value no older than the one seen after the previous kill.
        if (std::filesystem::exists(file)) {
            auto disk = readDomainFile(file);
            ASSERT_NE(disk, nullptr) << "after kill " << kill;
            long long stored = storedCounter(disk);
            ASSERT_GE(stored, last) << "after kill " << kill;
            progressed += stored > last;
            last = stored;
        } else {
            ASSERT_EQ(last, -1) << "the file vanished after kill " << kill;
        }
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
    // Most children got at least one write through before being killed.
    EXPECT_GT(progressed, kKills / 4);
    EXPECT_TRUE(root.log.empty());
}
