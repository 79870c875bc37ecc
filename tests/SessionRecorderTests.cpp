// A window session written as a scenario: every line reads back as the command it stands for,
// time adds up however it is cut, the file is never one that was there before unless asked, and
// a write that fails is said and stops the recording rather than leave a file that lies.
#include "ScratchDirectory.h"

#include "apps/common/NumberText.h"
#include "apps/host/ScenarioScript.h"
#include "apps/host/SessionRecorder.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/FileOps.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cfloat>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>

namespace {

namespace fs = std::filesystem;
using Kind = ScenarioCommand::Kind;
using Existing = SafeOutputFile::Existing;

std::string contents(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A recording on a virtual clock, into a fresh file of the scratch folder.
class Recording {
public:
    explicit Recording(const fs::path& file)
        : clock(std::make_shared<VirtualClock>(1.8e9))
        , path(file)
    {
        Clock::setCurrent(clock);
        auto opened = SessionRecorder::open(path.string(), Existing::Keep);
        EXPECT_TRUE(opened.ok()) << (opened.ok() ? "" : opened.failure().message);
        if (opened.ok())
            recorder = opened.value();
    }
    ~Recording() { Clock::setCurrent(nullptr); }
    Recording(const Recording&) = delete;
    Recording& operator=(const Recording&) = delete;

    void after(double seconds) { clock->setMonotonicNow(clock->monotonicNow() + seconds); }
    std::string text() const { return contents(path); }

    std::shared_ptr<VirtualClock> clock;
    fs::path path;
    std::shared_ptr<SessionRecorder> recorder;
};

// For a test that records no time: the clock stands still, so no wait creeps in however slowly
// the test runs.
class StillClock {
public:
    StillClock() { Clock::setCurrent(std::make_shared<VirtualClock>(1.8e9)); }
    ~StillClock() { Clock::setCurrent(nullptr); }
    StillClock(const StillClock&) = delete;
    StillClock& operator=(const StillClock&) = delete;
};

// Real writes, except that the ones from the numbered call on fail (with ENOSPC), the first of
// them after taking a few bytes, as a disk that fills would.
class FillingDisk : public FileOps {
public:
    explicit FillingDisk(int failFrom) : failFrom_(failFrom) { }
    ssize_t write(int fd, const void* buffer, size_t size) override
    {
        const int call = calls_++;
        if (call < failFrom_)
            return FileOps::write(fd, buffer, size);
        if (call == failFrom_ && size > 3)
            return FileOps::write(fd, buffer, 3);
        errno = ENOSPC;
        return -1;
    }

private:
    int failFrom_;
    int calls_ = 0;
};

} // namespace

TEST(SessionRecorder, WritesEachThingTheWindowHandsOverAsTheCommandThatPlaysIt)
{
    ScratchDirectory scratch("session-recorder");
    Recording r(scratch.path() / "session.scenario");
    ASSERT_TRUE(r.recorder);
    // Nothing before launch: a replay could not place it.
    r.recorder->background();
    r.recorder->launch({ "recorded today", "play it back" });
    r.after(1.5);
    r.recorder->touchDown(CGPointMake(54.42177f, 108.81226f));
    r.recorder->touchMove(CGPointMake(0.1f, -3.25f));
    r.recorder->touchUp();
    r.after(0.25);
    r.recorder->touchDown(CGPointMake(10, 20));
    r.recorder->touchCancel();
    r.recorder->patternKey(UIKeyPress::digitKey(1));
    r.recorder->patternKey(UIKeyPress::digitKey(9));
    r.recorder->patternKey(UIKeyPress::enter());
    r.recorder->patternKey(UIKeyPress::cancel());
    r.recorder->keyboardDismissed();
    r.after(2);
    r.recorder->background();
    r.after(200.004);
    r.recorder->foreground();
    r.after(0.3);
    ASSERT_TRUE(r.recorder->finish().ok());
    EXPECT_DOUBLE_EQ(r.recorder->recordedSeconds(), 204.054);

    const std::string text = r.text();
    EXPECT_EQ(text,
        "launch\n# recorded today\n# play it back\nwait 1.5\ndown 54.42177 108.81226\nmove 0.1 -3.25\nup\nwait 0.25\n"
        "down 10 20\ncancel\nkeys 1\nkeys 9\nkeys enter\nkeys cancel\nkeyboard hide\nwait 2\nbackground\nwait 200.004\n"
        "foreground\nwait 0.3\nprint\n");

    // The scenario reader takes every line, and the points are the very floats handed over.
    const ScenarioScript script = ScenarioScript::parse(text);
    ASSERT_TRUE(script.ok());
    const std::vector<Kind> kinds = { Kind::Launch, Kind::Wait, Kind::Down, Kind::Move, Kind::Up, Kind::Wait, Kind::Down, Kind::Cancel,
        Kind::Keys, Kind::Keys, Kind::Keys, Kind::Keys, Kind::KeyboardHide, Kind::Wait, Kind::Background, Kind::Wait,
        Kind::Foreground, Kind::Wait, Kind::Print };
    ASSERT_EQ(script.commands().size(), kinds.size());
    for (std::size_t i = 0; i < kinds.size(); ++i)
        EXPECT_EQ(script.commands()[i].kind, kinds[i]) << "line " << script.commands()[i].line;
    EXPECT_EQ(script.commands()[2].point.x, 54.42177f);
    EXPECT_EQ(script.commands()[2].point.y, 108.81226f);
    EXPECT_EQ(script.commands()[3].point.x, 0.1f);
    EXPECT_EQ(script.commands()[9].keys.front().digit, 9);
    EXPECT_EQ(script.commands()[10].keys.front().kind, UIKeyPress::Kind::Enter);
    EXPECT_EQ(script.commands()[11].keys.front().kind, UIKeyPress::Kind::Cancel);

    // Finished, it takes nothing more.
    r.recorder->touchUp();
    EXPECT_EQ(r.text(), text);
}

TEST(SessionRecorder, CoordinatesAndSecondsReadBackExactly)
{
    for (float value : { 0.0f, -0.0f, 0.1f, 1.0f / 3.0f, 123.456f, 1e-7f, 16777217.0f, -283.99997f, FLT_MAX, FLT_MIN, FLT_TRUE_MIN }) {
        const std::string text = SessionRecorder::coordinate(value);
        const auto read = NumberText::real(text);
        ASSERT_TRUE(read) << text;
        EXPECT_EQ(static_cast<float>(*read), value) << text;
    }
    EXPECT_EQ(SessionRecorder::coordinate(160), "160");
    EXPECT_EQ(SessionRecorder::coordinate(0.5f), "0.5");

    EXPECT_EQ(SessionRecorder::seconds(1250), "1.25");
    EXPECT_EQ(SessionRecorder::seconds(2000), "2");
    EXPECT_EQ(SessionRecorder::seconds(5), "0.005");
    EXPECT_EQ(SessionRecorder::seconds(10010), "10.01");
    EXPECT_EQ(SessionRecorder::seconds(-1500), "-1.5");
    EXPECT_EQ(SessionRecorder::seconds(0), "0");
}

TEST(SessionRecorder, WaitsAddUpToTheSessionAndAClockSetByHandIsFollowed)
{
    ScratchDirectory scratch("session-recorder");
    Recording r(scratch.path() / "time.scenario");
    ASSERT_TRUE(r.recorder);
    r.recorder->launch({});
    // Events 0.4 ms apart: no zero waits, and the waits never fall behind the session's time.
    for (int i = 0; i < 10; ++i) {
        r.after(0.0004);
        r.recorder->patternKey(UIKeyPress::digitKey(1));
    }
    // The wall clock set back an hour, then a drift of half a second (left alone), then forward
    // by a day past what was set back.
    r.after(1);
    r.clock->shiftWall(-3600);
    r.recorder->background();
    r.after(1);
    r.clock->shiftWall(0.5);
    r.recorder->foreground();
    r.clock->shiftWall(86400 + 3600 - 0.5);
    r.recorder->background();
    ASSERT_TRUE(r.recorder->finish().ok());

    const ScenarioScript script = ScenarioScript::parse(r.text());
    ASSERT_TRUE(script.ok());
    double waited = 0;
    double shifted = 0;
    int keys = 0;
    for (const ScenarioCommand& command : script.commands()) {
        if (command.kind == Kind::Wait) {
            EXPECT_GT(command.seconds, 0);
            waited += command.seconds;
        } else if (command.kind == Kind::Clock) {
            shifted += command.seconds;
        } else if (command.kind == Kind::Keys && ++keys == 10) {
            EXPECT_NEAR(waited, 0.004, 1e-9);
        }
    }
    EXPECT_NEAR(waited, 2.004, 1e-9);
    EXPECT_NEAR(shifted, 86400, 1e-9);
    EXPECT_NE(r.text().find("wait 1\nclock -3600\nbackground\nwait 1\nforeground\nclock 90000\nbackground\n"), std::string::npos)
        << r.text();
}

TEST(SessionRecorder, KeepsAFileThatIsThereUnlessToldAndRefusesWhatCannotBeWritten)
{
    const StillClock still;
    ScratchDirectory scratch("session-recorder");
    const fs::path there = scratch.path() / "there.scenario";
    std::ofstream(there) << "launch\nprint\n";

    const auto kept = SessionRecorder::open(there.string(), Existing::Keep);
    ASSERT_FALSE(kept.ok());
    EXPECT_EQ(kept.failure().message, there.string() + " exists");
    EXPECT_EQ(contents(there), "launch\nprint\n");

    auto replaced = SessionRecorder::open(there.string(), Existing::Replace);
    ASSERT_TRUE(replaced.ok());
    EXPECT_EQ(contents(there), "");
    replaced.value()->launch({});
    ASSERT_TRUE(replaced.value()->finish().ok());
    EXPECT_EQ(contents(there), "launch\nprint\n");

    // A link is never written through, even when replacing; a folder that is not one, or is not
    // there, is not made.
    const fs::path link = scratch.path() / "link.scenario";
    fs::create_symlink(there, link);
    for (const Existing existing : { Existing::Keep, Existing::Replace }) {
        const auto through = SessionRecorder::open(link.string(), existing);
        ASSERT_FALSE(through.ok());
        EXPECT_NE(through.failure().message.find("link.scenario"), std::string::npos) << through.failure().message;
    }
    for (const fs::path& bad : { there / "inside.scenario", scratch.path() / "missing" / "x.scenario", scratch.path() }) {
        const auto refused = SessionRecorder::open(bad.string(), Existing::Replace);
        ASSERT_FALSE(refused.ok()) << bad;
        EXPECT_FALSE(refused.failure().message.empty());
    }
    EXPECT_FALSE(fs::exists(scratch.path() / "missing"));
    EXPECT_EQ(contents(there), "launch\nprint\n");
}

TEST(SessionRecorder, AFailedWriteIsSaidOnceStopsTheRecordingAndLeavesOnlyWholeLines)
{
    ScratchDirectory scratch("session-recorder");
    for (int failFrom : { 0, 1, 3 }) {
        SCOPED_TRACE(failFrom);
        const fs::path file = scratch.path() / ("full-" + std::to_string(failFrom) + ".scenario");
        Recording r(file);
        ASSERT_TRUE(r.recorder);
        int told = 0;
        r.recorder->onStopped = [&told](const Failure& failure) {
            ++told;
            EXPECT_EQ(failure.error, ENOSPC);
        };
        auto disk = std::make_shared<FillingDisk>(failFrom);
        FileOps::setCurrent(disk);
        r.recorder->launch({});
        for (int i = 0; i < 4; ++i) {
            r.after(0.5);
            r.recorder->touchDown(CGPointMake(100, 200));
            r.recorder->touchUp();
        }
        const Result<void> finished = r.recorder->finish();
        FileOps::setCurrent(nullptr);
        EXPECT_EQ(told, 1);
        ASSERT_FALSE(finished.ok());
        EXPECT_EQ(finished.failure().path, file.string());

        // What is there is a beginning of the session, line by line, and says no print.
        const std::string text = r.text();
        const std::string whole = "launch\nwait 0.5\ndown 100 200\nup\nwait 0.5\ndown 100 200\nup\n";
        EXPECT_EQ(whole.compare(0, text.size(), text), 0) << text;
        EXPECT_TRUE(text.empty() || text.back() == '\n') << text;
        EXPECT_EQ(text.find("print"), std::string::npos);
        const ScenarioScript script = ScenarioScript::parse(text);
        EXPECT_TRUE(script.ok());
        // The time it answers is the time the file's waits reach, not the session's.
        double waited = 0;
        for (const ScenarioCommand& command : script.commands())
            waited += command.kind == Kind::Wait ? command.seconds : 0;
        EXPECT_DOUBLE_EQ(r.recorder->recordedSeconds(), waited);
    }
}
