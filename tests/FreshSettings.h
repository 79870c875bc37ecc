#pragma once
// Lets the test's toolkit drop its shared settings object, unwritten changes and all, so that the
// next standardUserDefaults starts from the file as a new process would.
#include "platform/foundation/FoundationState.h"
#include "platform/foundation/NSUserDefaults.h"

#include <mutex>

inline void forgetStandardUserDefaults()
{
    auto& settings = FoundationState::current().settings();
    std::shared_ptr<NSUserDefaults> released;
    std::lock_guard lock(settings.mutex);
    released.swap(settings.standard);
}
