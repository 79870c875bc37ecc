#include "apps/host/SessionRecorder.h"

#include "apps/common/NumberText.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/FileOps.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <unistd.h>

namespace {

// A wall clock that moved this far from the boot clock was set by hand (or by a time server
// stepping it): the replay shifts its own. Less is the drift of two clocks read one after the other.
constexpr std::int64_t kClockStepMilliseconds = 1000;
// The most one wait or clock line may move time, as the scenario reader takes it.
constexpr std::int64_t kLongestLineMilliseconds = 1000000000LL * 1000;

std::string shortest(double value)
{
    char text[64];
    const auto [end, error] = std::to_chars(text, text + sizeof text, value);
    return error == std::errc() ? std::string(text, end) : std::string();
}

} // namespace

Result<std::shared_ptr<SessionRecorder>> SessionRecorder::open(const std::string& path, SafeOutputFile::Existing existing)
{
    std::string error;
    UniqueFd file = SafeOutputFile::open(path, false, error, existing);
    if (!file)
        return Failure::because(error, path);
    return std::make_shared<SessionRecorder>(std::move(file), path);
}

SessionRecorder::SessionRecorder(UniqueFd file, std::string path)
    : file_(std::move(file))
    , path_(std::move(path))
{
}

std::string SessionRecorder::coordinate(float value)
{
    // The shortest text of the float, if it reads back through the reader's double to the same
    // float; else the double's own shortest text, which always does.
    char text[64];
    const auto [end, error] = std::to_chars(text, text + sizeof text, value);
    if (error == std::errc()) {
        const std::string candidate(text, end);
        const auto read = NumberText::real(candidate);
        if (read && static_cast<float>(*read) == value)
            return candidate;
    }
    return shortest(static_cast<double>(value));
}

std::string SessionRecorder::seconds(std::int64_t milliseconds)
{
    const bool negative = milliseconds < 0;
    const std::uint64_t magnitude = negative ? 0 - static_cast<std::uint64_t>(milliseconds) : static_cast<std::uint64_t>(milliseconds);
    std::string text = (negative ? "-" : "") + std::to_string(magnitude / 1000);
    if (const std::uint64_t fraction = magnitude % 1000) {
        std::string digits = std::to_string(fraction + 1000).substr(1);
        while (digits.back() == '0')
            digits.pop_back();
        text += "." + digits;
    }
    return text;
}

std::string SessionRecorder::keyWord(const UIKeyPress& key)
{
    switch (key.kind) {
    case UIKeyPress::Kind::Digit: return std::to_string(key.digit);
    case UIKeyPress::Kind::Enter: return "enter";
    case UIKeyPress::Kind::Cancel: break;
    }
    return "cancel";
}

void SessionRecorder::launch(const std::vector<std::string>& comments)
{
    if (launched_)
        return;
    launched_ = true;
    const Clock& clock = Clock::current();
    startBoot_ = clock.bootNow();
    startLead_ = clock.wallNow() - startBoot_;
    // The file begins with the command that begins the session, whatever is said about it.
    std::string text = "launch\n";
    for (const std::string& comment : comments)
        text += "# " + comment + "\n";
    write(text);
}

Result<void> SessionRecorder::finish()
{
    if (file_) {
        record("print");
        if (file_ && FileOps::current().fsync(file_.get()) != 0 && errno != EINVAL)
            failure_ = Failure::ofCall("fsync", path_, errno);
        if (file_ && file_.close() != 0 && !failure_)
            failure_ = Failure::ofCall("close", path_, errno);
        file_.reset();
    }
    if (failure_)
        return *failure_;
    return {};
}

// The waits follow the session's total time, rounded once: the replay's clock is never more than
// half a millisecond off the session's, however long it ran. The totals move on only with lines
// that were written.
void SessionRecorder::record(const std::string& command)
{
    // Nothing before launch: a replay could not place it.
    if (!file_ || !launched_)
        return;
    const Clock& clock = Clock::current();
    const double boot = clock.bootNow();
    std::string lines;
    const auto elapsed = static_cast<std::int64_t>(std::llround((boot - startBoot_) * 1000.0));
    std::int64_t waited = waitedMilliseconds_;
    for (std::int64_t due = elapsed - waited; due > 0; due = elapsed - waited) {
        const std::int64_t step = std::min(due, kLongestLineMilliseconds);
        lines += "wait " + seconds(step) + "\n";
        waited += step;
    }
    const double lead = clock.wallNow() - boot - startLead_;
    std::int64_t shifted = shiftedMilliseconds_;
    const auto shift = static_cast<std::int64_t>(std::llround(lead * 1000.0)) - shifted;
    if (std::llabs(shift) >= kClockStepMilliseconds) {
        for (std::int64_t left = shift; left != 0;) {
            const std::int64_t step = left > 0 ? std::min(left, kLongestLineMilliseconds) : std::max(left, -kLongestLineMilliseconds);
            lines += "clock " + seconds(step) + "\n";
            left -= step;
        }
        shifted += shift;
    }
    if (!write(lines + command + "\n"))
        return;
    waitedMilliseconds_ = waited;
    shiftedMilliseconds_ = shifted;
}

bool SessionRecorder::write(const std::string& text)
{
    if (!file_)
        return false;
    FileOps& ops = FileOps::current();
    for (std::size_t done = 0; done < text.size();) {
        const ssize_t n = ops.write(file_.get(), text.data() + done, text.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        failure_ = Failure::ofCall("write", path_, n < 0 ? errno : EIO);
        // The whole lines written stay; a line cut short (a full disk takes part of one) is taken
        // back where it can be, so that the replay does not read half a number.
        if (done > 0 && ::ftruncate(file_.get(), static_cast<off_t>(committed_)) != 0) {
            // A FIFO cannot be cut; its reader has the part line.
        }
        file_.reset();
        if (onStopped)
            onStopped(*failure_);
        return false;
    }
    committed_ += text.size();
    return true;
}

void SessionRecorder::touchDown(CGPoint point) { record("down " + coordinate(point.x) + " " + coordinate(point.y)); }

void SessionRecorder::touchMove(CGPoint point) { record("move " + coordinate(point.x) + " " + coordinate(point.y)); }

void SessionRecorder::touchUp() { record("up"); }

void SessionRecorder::touchCancel() { record("cancel"); }

void SessionRecorder::patternKey(const UIKeyPress& key) { record("keys " + keyWord(key)); }

void SessionRecorder::keyboardDismissed() { record("keyboard hide"); }

void SessionRecorder::background() { record("background"); }

void SessionRecorder::foreground() { record("foreground"); }
