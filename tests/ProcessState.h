#pragma once
// A fresh toolkit for each test, and the process settings tests change (environment, umask,
// working folder, the runtime's class table as hooks leave it): taken before each test and put
// back after it, so that a test which stops half-way leaves nothing behind for the next one, in
// whatever order they run.
#include "platform/runtime/Runtime.h"

#include <memory>
#include <string>
#include <sys/types.h>
#include <vector>

class Toolkit;

class ProcessState {
public:
    // Takes the process settings, then builds the test's toolkit (real clock and file operations,
    // the default device root: what every test starts with).
    static ProcessState capture();

    // Destroys the test's toolkit with whatever the test left in it (windows, timers, animations,
    // observers, a touch, log sinks), then puts the process settings back.
    void restore();

private:
    std::shared_ptr<const objc_class_snapshot> classes_;
    std::vector<std::string> environment_;
    mode_t umask_ = 022;
    std::string workingFolder_;
    std::shared_ptr<Toolkit> toolkit_;
};
