#pragma once
#include "platform/runtime/NSObject.h"

#include <memory>
#include <string>

// A moment, as seconds since 1970-01-01 00:00:00 UTC. "Now" comes from the clock in force, so
// under a virtual clock dates follow virtual time and any shift of the wall clock.
class NSDate final : public NSObject {
public:
    explicit NSDate(double secondsSince1970) : seconds_(secondsSince1970) { }
    // The current date.
    static std::shared_ptr<NSDate> date();
    static std::shared_ptr<NSDate> dateWithTimeIntervalSince1970(double seconds);

    GLYPHWARD_RUNTIME_CLASS(NSDate, NSObject);
    // "2026-12-07 21:23:01 +0000": UTC, whole seconds.
    std::string description() const override;
    bool isEqual(const NSObject* other) const override;

    double timeIntervalSince1970() const { return seconds_; }

private:
    double seconds_;
};
