#pragma once
// The decodes under way in one toolkit and the worker threads doing them.
#include "platform/graphics/ImagePrefetch.h"

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
    // From std::async: dropping them waits for their threads, so a decode still running when
    // the toolkit ends is finished, not cut off while it writes its result. Declared last, so
    // destroyed first, before the entries their threads answer.
    std::vector<std::future<void>> workers;
};
