#include "platform/graphics/ImagePrefetch.h"

#include "platform/graphics/GraphicsState.h"

#include "platform/graphics/PNGDecoder.h"
#include "platform/graphics/UIImage.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <exception>
#include <future>
#include <mutex>
#include <system_error>
#include <vector>
#include <sys/stat.h>

namespace {

struct Job {
    std::string path;
    float scale = 1;
    std::promise<std::shared_ptr<UIImage>> promise;
};

PrefetchRegistry& registry() { return GraphicsState::current().prefetch(); }

void decodeAll(std::vector<Job>& jobs, const std::shared_ptr<std::atomic<bool>>& ending)
{
    const PNGDecoder::ShouldStop shouldStop = [&ending] { return ending->load(std::memory_order_relaxed); };
    for (Job& job : jobs) {
        std::shared_ptr<UIImage> image;
        try {
            if (!shouldStop())
                image = PNGDecoder::decodeFile(job.path, job.scale, shouldStop);
        } catch (const std::exception&) {
            // No memory for the picture: it counts as one that did not decode.
        }
        job.promise.set_value(std::move(image));
    }
}

} // namespace

std::optional<ImagePrefetch::Key> ImagePrefetch::keyFor(const std::string& path, float scale)
{
    struct stat info { };
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return std::nullopt;
    return Key { path, static_cast<std::int64_t>(info.st_mtim.tv_sec), static_cast<std::int64_t>(info.st_mtim.tv_nsec),
        static_cast<std::int64_t>(info.st_size), scale };
}

void ImagePrefetch::start(const std::vector<Key>& keys)
{
    PrefetchRegistry& r = registry();
    const std::lock_guard lock(r.mutex);
    std::vector<Job> jobs;
    for (const Key& key : keys) {
        if (std::any_of(r.entries.begin(), r.entries.end(), [&](const PrefetchRegistry::Pending& p) { return p.key == key; }))
            continue;
        // A file whose header is not sound is left to be refused when it is asked for.
        int width = 0, height = 0;
        if (!PNGDecoder::readSize(key.path, width, height))
            continue;
        Job job { key.path, key.scale, {} };
        r.entries.push_back({ key, width, height, job.promise.get_future() });
        jobs.push_back(std::move(job));
    }
    if (jobs.empty())
        return;
    const std::size_t added = jobs.size();
    std::erase_if(r.workers, [](const std::future<void>& worker) { return worker.wait_for(std::chrono::seconds(0)) == std::future_status::ready; });
    try {
        r.workers.push_back(std::async(std::launch::async, [jobs = std::move(jobs), ending = r.ending]() mutable { decodeAll(jobs, ending); }));
    } catch (const std::system_error&) {
        // No thread to spare: the pictures are decoded when they are asked for, as without a prefetch.
        r.entries.erase(r.entries.end() - static_cast<std::ptrdiff_t>(added), r.entries.end());
    }
}

std::optional<std::shared_ptr<UIImage>> ImagePrefetch::take(const Key& key)
{
    std::future<std::shared_ptr<UIImage>> result;
    bool sameVersion = false;
    int width = 0, height = 0;
    {
        PrefetchRegistry& r = registry();
        const std::lock_guard lock(r.mutex);
        auto it = std::find_if(r.entries.begin(), r.entries.end(), [&](const PrefetchRegistry::Pending& p) { return p.key.path == key.path && p.key.scale == key.scale; });
        if (it == r.entries.end())
            return std::nullopt;
        sameVersion = it->key == key;
        width = it->width;
        height = it->height;
        result = std::move(it->result);
        r.entries.erase(it);
    }
    if (!result.valid() || !sameVersion)
        return std::nullopt;
    // Done: the decode decides, a damaged file giving no image. Still under way: an image of the
    // header's size now, its pixels when they are first needed, so that nothing before the first
    // frame waits for them.
    if (result.wait_for(std::chrono::seconds(0)) == std::future_status::ready)
        return result.get();
    return std::make_shared<UIImage>(width, height, key.scale, std::move(result));
}

std::size_t ImagePrefetch::pending()
{
    PrefetchRegistry& r = registry();
    const std::lock_guard lock(r.mutex);
    return r.entries.size();
}
