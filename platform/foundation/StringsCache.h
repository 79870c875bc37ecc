#pragma once
#include <map>
#include <memory>
#include <mutex>
#include <string>

// Parsed .strings tables by path, each with the change time and size of the file it was read
// from, so that a file changed on disk is read again.
struct StringsCache {
    struct Entry {
        long long seconds = 0;
        long long nanoseconds = 0;
        long long size = 0;
        std::shared_ptr<const std::map<std::string, std::string>> table;
    };
    std::mutex mutex;
    std::map<std::string, Entry> entries;
};
