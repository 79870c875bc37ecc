#pragma once
// What the foundation layer keeps for one toolkit: the clock and file operations everything
// below the screen reads, the device root set in place of the default, the log sinks, the
// caches of strings, bundles and settings, the run loop and the notification centre. Built in
// that order and destroyed in reverse, so nothing outlives what it uses.
#include "platform/foundation/BundleCache.h"
#include "platform/foundation/LogSinks.h"
#include "platform/foundation/SettingsCache.h"
#include "platform/foundation/StringsCache.h"

#include <memory>
#include <mutex>
#include <string>

class Clock;
class FileOps;
class NSNotificationCenter;
class NSRunLoop;

class FoundationState {
public:
    // Null clock or file operations mean the real ones.
    FoundationState(std::shared_ptr<Clock> clock, std::shared_ptr<FileOps> fileOps);
    ~FoundationState();
    FoundationState(const FoundationState&) = delete;
    FoundationState& operator=(const FoundationState&) = delete;

    // The state of the toolkit alive now. Reaching for it with no toolkit alive is a programming
    // error: it says so on stderr and aborts.
    static FoundationState& current();
    // The same, or null with no toolkit alive (for NSLog, which must work before and after one).
    static FoundationState* currentIfAny();
    // Makes this state the one in force (null: none) and answers the one it replaces.
    static FoundationState* makeCurrent(FoundationState* state);

    Clock& clock() { return *clock_; }
    // Null puts the real clock back.
    void setClock(std::shared_ptr<Clock> clock);
    FileOps& fileOps() { return *fileOps_; }
    // Null puts the real operations back.
    void setFileOps(std::shared_ptr<FileOps> fileOps);

    // The root set by DeviceRoot::setPath (empty when none), under its lock.
    std::string deviceRootOverride();
    void setDeviceRootOverride(std::string root);

    LogSinks& logSinks() { return logSinks_; }
    StringsCache& strings() { return strings_; }
    BundleCache& bundles() { return bundles_; }
    SettingsCache& settings() { return settings_; }
    NSRunLoop& runLoop() { return *runLoop_; }
    NSNotificationCenter& notificationCenter() { return *notificationCenter_; }

    // Drops pending run-loop work and every observer while all else is still alive: what they
    // hold may reach any layer on its way out.
    void dropPendingWork();

private:
    std::shared_ptr<Clock> clock_;
    std::shared_ptr<FileOps> fileOps_;
    std::mutex deviceRootMutex_;
    std::string deviceRoot_;
    LogSinks logSinks_;
    StringsCache strings_;
    BundleCache bundles_;
    SettingsCache settings_;
    std::shared_ptr<NSRunLoop> runLoop_;
    std::shared_ptr<NSNotificationCenter> notificationCenter_;
};
