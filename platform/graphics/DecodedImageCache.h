#pragma once
// Decoded pictures by file, so that building the lock screen again does not decode its PNGs again.
// Images are immutable, so handing out the same one is safe; a few are kept alive for that.
#include "platform/graphics/ImagePrefetch.h"

#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

class UIImage;

class DecodedImageCache {
public:
    using Key = ImagePrefetch::Key;

    std::shared_ptr<UIImage> find(const Key& key)
    {
        auto it = std::find_if(entries_.begin(), entries_.end(), [&](const auto& entry) { return entry.first == key; });
        if (it == entries_.end())
            return nullptr;
        // The most recently used sits at the front.
        std::rotate(entries_.begin(), it, it + 1);
        return entries_.front().second;
    }
    void insert(Key key, std::shared_ptr<UIImage> image)
    {
        // An older version of the same file is of no more use.
        std::erase_if(entries_, [&](const auto& entry) { return entry.first.path == key.path && entry.first.scale == key.scale; });
        entries_.insert(entries_.begin(), { std::move(key), std::move(image) });
        if (entries_.size() > kCapacity)
            entries_.pop_back();
    }

private:
    static constexpr std::size_t kCapacity = 8;
    std::vector<std::pair<Key, std::shared_ptr<UIImage>>> entries_;
};
