#include "ProcessState.h"

#include "platform/toolkit/Toolkit.h"

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::vector<std::string> environmentNow()
{
    std::vector<std::string> entries;
    for (char** entry = environ; *entry; ++entry)
        entries.emplace_back(*entry);
    return entries;
}

std::string nameOf(const std::string& entry) { return entry.substr(0, entry.find('=')); }

void restoreEnvironment(const std::vector<std::string>& saved)
{
    for (const auto& entry : environmentNow()) {
        const std::string name = nameOf(entry);
        if (std::none_of(saved.begin(), saved.end(), [&](const std::string& kept) { return nameOf(kept) == name; }))
            unsetenv(name.c_str());
    }
    for (const auto& entry : saved) {
        const std::string name = nameOf(entry);
        const std::string value = entry.substr(std::min(entry.size(), name.size() + 1));
        const char* now = std::getenv(name.c_str());
        if (!now || value != now)
            setenv(name.c_str(), value.c_str(), 1);
    }
    tzset();
}

} // namespace

ProcessState ProcessState::capture()
{
    ProcessState state;
    state.classes_ = objc_snapshotClasses();
    state.environment_ = environmentNow();
    state.umask_ = ::umask(0);
    ::umask(state.umask_);
    std::error_code error;
    state.workingFolder_ = std::filesystem::current_path(error).string();
    state.toolkit_ = std::make_shared<Toolkit>();
    return state;
}

void ProcessState::restore()
{
    // The test's toolkit goes first, while the methods its objects know are still in place.
    toolkit_.reset();
    restoreEnvironment(environment_);
    ::umask(umask_);
    std::error_code ignored;
    if (!workingFolder_.empty())
        std::filesystem::current_path(workingFolder_, ignored);
    objc_restoreClasses(*classes_);
}
