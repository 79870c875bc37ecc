#pragma once
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class NSBundle;

// The bundle objects handed out (one per folder, as Foundation does), the languages set in
// place of LANG, and the localization search order last worked out from them.
struct BundleCache {
    std::mutex mutex;
    std::map<std::string, std::shared_ptr<NSBundle>, std::less<>> bundles;
    std::vector<std::string> preferredLanguages;

    bool searchOrderValid = false;
    std::vector<std::string> searchOrderFrom;
    std::vector<std::string> searchOrder;
};
