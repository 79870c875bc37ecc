#include "platform/foundation/FoundationState.h"

#include "platform/foundation/Clock.h"
#include "platform/foundation/FileOps.h"
#include "platform/foundation/NSNotificationCenter.h"
#include "platform/foundation/NSRunLoop.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>

namespace {
// Read from worker threads too (a decode reaches for the file operations), so set atomically.
std::atomic<FoundationState*> inForce { nullptr };
} // namespace

FoundationState::FoundationState(std::shared_ptr<Clock> clock, std::shared_ptr<FileOps> fileOps)
    : clock_(clock ? std::move(clock) : std::make_shared<RealClock>())
    , fileOps_(fileOps ? std::move(fileOps) : std::make_shared<FileOps>())
    , runLoop_(std::make_shared<NSRunLoop>())
    , notificationCenter_(std::make_shared<NSNotificationCenter>())
{
}

FoundationState::~FoundationState()
{
    dropPendingWork();
    // A sink may hold objects whose destruction logs: let them go while the list is whole.
    std::vector<LogSinks::Entry> sinks;
    {
        std::lock_guard lock(logSinks_.mutex);
        sinks.swap(logSinks_.sinks);
    }
    sinks.clear();
}

FoundationState& FoundationState::current()
{
    FoundationState* state = inForce.load();
    if (!state) {
        std::fputs("glyphward: the toolkit was used with no Toolkit alive\n", stderr);
        std::abort();
    }
    return *state;
}

FoundationState* FoundationState::currentIfAny() { return inForce.load(); }

FoundationState* FoundationState::makeCurrent(FoundationState* state) { return inForce.exchange(state); }

void FoundationState::setClock(std::shared_ptr<Clock> clock) { clock_ = clock ? std::move(clock) : std::make_shared<RealClock>(); }

void FoundationState::setFileOps(std::shared_ptr<FileOps> fileOps)
{
    fileOps_ = fileOps ? std::move(fileOps) : std::make_shared<FileOps>();
}

std::string FoundationState::deviceRootOverride()
{
    std::lock_guard lock(deviceRootMutex_);
    return deviceRoot_;
}

void FoundationState::setDeviceRootOverride(std::string root)
{
    std::lock_guard lock(deviceRootMutex_);
    deviceRoot_ = std::move(root);
}

void FoundationState::dropPendingWork()
{
    runLoop_->dropAll();
    notificationCenter_->dropAll();
}
