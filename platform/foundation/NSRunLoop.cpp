#include "platform/foundation/NSRunLoop.h"

#include "platform/foundation/Clock.h"
#include "platform/foundation/FoundationState.h"

#include <cmath>
#include <map>
#include <utility>

NSRunLoop& NSRunLoop::mainRunLoop() { return FoundationState::current().runLoop(); }

NSRunLoop::~NSRunLoop() { dropAll(); }

void NSRunLoop::dropAll()
{
    // The work's captures may cancel or schedule as they go; let them find a whole queue.
    while (!queue_.empty()) {
        Queue dropped;
        dropped.swap(queue_);
    }
}

NSRunLoop::Ticket NSRunLoop::schedule(double delay, std::function<void()> work)
{
    return scheduleAt(Clock::current().monotonicNow() + (delay > 0 ? delay : 0.0), std::move(work));
}

NSRunLoop::Ticket NSRunLoop::scheduleAt(double time, std::function<void()> work)
{
    // NaN would break the queue's ordering (it compares false with everything); it means "now".
    if (std::isnan(time))
        time = Clock::current().monotonicNow();
    Ticket ticket = nextTicket_++;
    queue_.emplace(std::make_pair(time, ticket), std::move(work));
    return ticket;
}

bool NSRunLoop::cancel(Ticket ticket)
{
    auto& queue = queue_;
    for (auto it = queue.begin(); it != queue.end(); ++it) {
        if (it->first.second == ticket) {
            queue.erase(it);
            return true;
        }
    }
    return false;
}

void NSRunLoop::runDue()
{
    auto& queue = queue_;
    while (!queue.empty() && queue.begin()->first.first <= Clock::current().monotonicNow()) {
        auto work = std::move(queue.begin()->second);
        queue.erase(queue.begin());
        work();
    }
}

void NSRunLoop::runUntil(double time)
{
    auto* clock = dynamic_cast<VirtualClock*>(&Clock::current());
    auto& queue = queue_;
    while (!queue.empty() && queue.begin()->first.first <= time) {
        if (clock)
            clock->setMonotonicNow(queue.begin()->first.first);
        auto work = std::move(queue.begin()->second);
        queue.erase(queue.begin());
        work();
    }
    if (clock)
        clock->setMonotonicNow(time);
}

std::optional<double> NSRunLoop::nextFireTime() const
{
    auto& queue = queue_;
    if (queue.empty())
        return std::nullopt;
    return queue.begin()->first.first;
}

bool NSRunLoop::hasPendingWork() const { return !queue_.empty(); }
