#pragma once
#include <functional>
#include <mutex>
#include <string>
#include <vector>

// Where NSLog's messages go besides stderr, and whether they go to stderr at all.
struct LogSinks {
    struct Entry {
        int token;
        std::function<void(const std::string&)> sink;
    };
    std::mutex mutex;
    std::vector<Entry> sinks;
    int nextToken = 1;
    bool stderrEnabled = true;
};
