#pragma once
#include <memory>

// Where the toolkit gets the time. Real: a monotonic clock for timers and animations, the
// system clock for NSDate. Virtual: both move only when told, and the wall clock can be
// shifted on its own to simulate the user changing the date.
class Clock {
public:
    virtual ~Clock() = default;
    // Seconds on a clock that never goes back; timers and animations run on it.
    virtual double monotonicNow() const = 0;
    // Seconds since 1970-01-01 00:00:00 UTC, as NSDate reports them.
    virtual double wallNow() const = 0;
    // Seconds on a clock that never goes back, cannot be set and keeps counting while the
    // machine sleeps; time away from the lock is measured on it.
    virtual double bootNow() const = 0;

    // The clock of the toolkit in force (real unless it was built with another or given one);
    // null puts the real one back.
    static Clock& current();
    static void setCurrent(std::shared_ptr<Clock> clock);
};

class RealClock final : public Clock {
public:
    double monotonicNow() const override;
    double wallNow() const override;
    double bootNow() const override;
};

class VirtualClock final : public Clock {
public:
    // Starts at monotonic time 0 with the wall clock at epochSeconds.
    explicit VirtualClock(double epochSeconds = 0.0);
    double monotonicNow() const override { return now_; }
    double wallNow() const override { return epoch_ + now_ + shift_; }
    // Nothing sleeps on a virtual clock: the boot clock is the monotonic one, deaf to shiftWall.
    double bootNow() const override { return now_; }
    // Moves the clock to t (never back); the run loop does this as it fires due work.
    void setMonotonicNow(double t);
    // Shifts what NSDate reports by s seconds (may be negative); timers do not notice.
    void shiftWall(double seconds) { shift_ += seconds; }

private:
    double epoch_;
    double now_ = 0.0;
    double shift_ = 0.0;
};
