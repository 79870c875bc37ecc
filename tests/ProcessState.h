#pragma once
// Everything the toolkit keeps for the whole process, and the process settings tests change
// (environment, umask, working folder): taken before each test and put back after it, so that a
// test which stops half-way leaves nothing behind for the next one, in whatever order they run.
#include "platform/runtime/Runtime.h"

#include <memory>
#include <string>
#include <sys/types.h>
#include <vector>

class UIScreen;

class ProcessState {
public:
    static ProcessState capture();

    // Puts it all back. What the test left (windows, timers, animations, observers, a touch, log
    // sinks) is dropped without being sent anything: the test's own objects may be gone already.
    // The clock, the file operations and the device root go back to the real ones, which every
    // test starts with.
    void restore() const;

private:
    std::shared_ptr<const objc_class_snapshot> classes_;
    std::vector<int> logSinks_;
    bool logToStderr_ = true;
    std::shared_ptr<UIScreen> mainScreen_;
    std::string standardDomain_;
    std::vector<std::string> preferredLanguages_;
    std::vector<std::string> environment_;
    mode_t umask_ = 022;
    std::string workingFolder_;
};
