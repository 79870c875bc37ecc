#include "platform/foundation/FoundationState.h"

#include "platform/foundation/InForce.h"

#include "platform/foundation/Clock.h"
#include "platform/foundation/FileOps.h"
#include "platform/foundation/NSNotificationCenter.h"
#include "platform/foundation/NSRunLoop.h"

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

FoundationState& FoundationState::current() { return InForce<FoundationState>::get("the toolkit was"); }

FoundationState* FoundationState::currentIfAny() { return InForce<FoundationState>::find(); }

FoundationState* FoundationState::makeCurrent(FoundationState* state) { return InForce<FoundationState>::exchange(state); }

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
