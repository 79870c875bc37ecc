#include "platform/foundation/NSRunLoop.h"

#include "platform/foundation/Clock.h"

#include <cmath>
#include <map>
#include <utility>

namespace {

// Keyed by (time, ticket): tickets grow with every schedule, so equal times keep their order.
using Queue = std::map<std::pair<double, NSRunLoop::Ticket>, std::function<void()>>;

struct State {
    Queue queue;
    NSRunLoop::Ticket nextTicket = 1;
};

State& state()
{
    static State s;
    return s;
}

} // namespace

NSRunLoop& NSRunLoop::mainRunLoop()
{
    static NSRunLoop loop;
    return loop;
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
    Ticket ticket = state().nextTicket++;
    state().queue.emplace(std::make_pair(time, ticket), std::move(work));
    return ticket;
}

bool NSRunLoop::cancel(Ticket ticket)
{
    auto& queue = state().queue;
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
    auto& queue = state().queue;
    while (!queue.empty() && queue.begin()->first.first <= Clock::current().monotonicNow()) {
        auto work = std::move(queue.begin()->second);
        queue.erase(queue.begin());
        work();
    }
}

void NSRunLoop::runUntil(double time)
{
    auto* clock = dynamic_cast<VirtualClock*>(&Clock::current());
    auto& queue = state().queue;
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
    auto& queue = state().queue;
    if (queue.empty())
        return std::nullopt;
    return queue.begin()->first.first;
}

bool NSRunLoop::hasPendingWork() const { return !state().queue.empty(); }

void NSRunLoop::reset() { state().queue.clear(); }
