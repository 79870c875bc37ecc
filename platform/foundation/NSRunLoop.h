#pragma once
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <utility>

// The main run loop: work scheduled for a time on the monotonic clock fires in time order,
// equal times in the order they were scheduled. Nothing is cancelled unless asked. The toolkit
// owns it; mainRunLoop() is the one of the toolkit in force.
class NSRunLoop {
public:
    using Ticket = std::uint64_t;

    static NSRunLoop& mainRunLoop();

    NSRunLoop() = default;
    ~NSRunLoop();
    NSRunLoop(const NSRunLoop&) = delete;
    NSRunLoop& operator=(const NSRunLoop&) = delete;

    // Schedules work to fire `delay` seconds from now (a negative delay counts as 0).
    Ticket schedule(double delay, std::function<void()> work);
    // Schedules work at an absolute monotonic time.
    Ticket scheduleAt(double time, std::function<void()> work);
    // Removes work that has not fired yet; false if it already fired or never was.
    bool cancel(Ticket ticket);

    // Fires everything due at or before the clock's current time, including work that firing
    // schedules for that span.
    void runDue();
    // Virtual clock only: moves the clock forward to `time`, stopping at each due item to fire it
    // at its own time, so work sees the clock where it was scheduled for.
    void runUntil(double time);
    // The time of the earliest pending work, if any.
    std::optional<double> nextFireTime() const;
    bool hasPendingWork() const;

private:
    friend class FoundationState;
    // Drops everything pending, work that dropping it schedules included.
    void dropAll();

    // Keyed by (time, ticket): tickets grow with every schedule, so equal times keep their order.
    using Queue = std::map<std::pair<double, Ticket>, std::function<void()>>;
    Queue queue_;
    Ticket nextTicket_ = 1;
};
