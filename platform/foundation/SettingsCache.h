#pragma once
#include <map>
#include <memory>
#include <mutex>
#include <string>

class NSUserDefaults;

// What the settings store shares within one toolkit: one object per domain's file, so that every
// reader of a domain sees the same unwritten changes, and the host app's own domain.
struct SettingsCache {
    std::mutex mutex;
    std::string standardDomain = "org.glyphward.host";
    std::map<std::string, std::weak_ptr<NSUserDefaults>> byPath;
    std::shared_ptr<NSUserDefaults> standard;
};
