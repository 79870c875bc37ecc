#pragma once
// The decodes under way in one toolkit and the worker threads doing them.
#include "platform/graphics/ImagePrefetch.h"

#include <atomic>
#include <future>
#include <memory>
#include <mutex>
#include <vector>

class UIImage;

struct PrefetchRegistry {
    struct Pending {
        ImagePrefetch::Key key;
        int width = 0, height = 0;
        std::future<std::shared_ptr<UIImage>> result;
    };

    std::mutex mutex;
    std::vector<Pending> entries;
    // Set when the toolkit ends: its workers leave the decode in hand at their next read and
    // start no other, so ending never waits for a picture no one will draw.
    std::shared_ptr<std::atomic<bool>> ending = std::make_shared<std::atomic<bool>>(false);
    // From std::async: dropping them waits for their threads, so a worker still running when
    // the toolkit ends has answered every promise before the entries go. Declared last, so
    // destroyed first.
    std::vector<std::future<void>> workers;
};
