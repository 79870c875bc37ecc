#pragma once
#include "platform/backends/WindowInputRecorder.h"
#include "platform/foundation/Result.h"
#include "platform/foundation/SafeOutputFile.h"
#include "platform/foundation/UniqueFd.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// Writes a window session as a scenario that --script plays back: `launch`, then each thing the
// window hands the host as its own line, with a `wait` for the time between (milliseconds, rounded
// on the session's total so that rounding never adds up) and a `clock` line when the wall clock
// was set by hand, and `print` when the session ends normally. Each line is written as it happens,
// so a session that is killed keeps everything up to its last event.
//
// Time is read on the boot clock, which counts a machine's sleep as the lock counts time away;
// the wall clock is followed against it.
class SessionRecorder final : public WindowInputRecorder {
public:
    // Opens the recording's file: a new one (0600) in an existing folder, or, with Replace, an
    // existing file of the user's emptied first. Nothing is written yet.
    static Result<std::shared_ptr<SessionRecorder>> open(const std::string& path, SafeOutputFile::Existing existing);

    explicit SessionRecorder(UniqueFd file, std::string path);

    // `launch`, then the comment lines (given without their '#'); time counts from here.
    void launch(const std::vector<std::string>& comments);
    // The time since the last line and `print`; the file is then flushed to disk and closed.
    // Fails when any line could not be written, now or earlier: the recording is not whole.
    Result<void> finish();

    // Told once, when a write fails: the recording stops there.
    std::function<void(const Failure&)> onStopped;

    void touchDown(CGPoint point) override;
    void touchMove(CGPoint point) override;
    void touchUp() override;
    void touchCancel() override;
    void patternKey(const UIKeyPress& key) override;
    void keyboardDismissed() override;
    void background() override;
    void foreground() override;

    // A coordinate as the shortest text that the scenario reader takes back to the same point.
    static std::string coordinate(float value);
    // Whole milliseconds as seconds, no trailing zeros: 1250 is "1.25", 2000 is "2".
    static std::string seconds(std::int64_t milliseconds);
    // One line a key: the word `keys` reads.
    static std::string keyWord(const UIKeyPress& key);

    const std::string& path() const { return path_; }
    // The seconds the waits written so far add up to: the time a replay has reached.
    double recordedSeconds() const { return static_cast<double>(waitedMilliseconds_) / 1000.0; }

private:
    // Writes the time that passed (and any change of the wall clock) before the command, then it.
    void record(const std::string& command);
    bool write(const std::string& text);

    UniqueFd file_;
    std::string path_;
    std::optional<Failure> failure_;
    // Bytes of whole lines in the file.
    std::uint64_t committed_ = 0;
    bool launched_ = false;
    double startBoot_ = 0;
    // The wall clock's lead over the boot clock at launch, and the milliseconds written since.
    double startLead_ = 0;
    std::int64_t waitedMilliseconds_ = 0;
    std::int64_t shiftedMilliseconds_ = 0;
};
