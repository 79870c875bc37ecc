#pragma once
// Pictures being decoded on worker threads ahead of the first frame that needs them. A worker
// touches nothing but its own copies of the paths and its results; the hand-over to the main
// thread goes through futures, under a lock.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class UIImage;

class ImagePrefetch {
public:
    // Which version of which file at which scale: a decode counts only for the same one.
    struct Key {
        std::string path;
        std::int64_t modifiedSeconds = 0, modifiedNanoseconds = 0, size = 0;
        float scale = 1;
        bool operator==(const Key&) const = default;
    };

    // The key of the regular file at this path as it is now, or none.
    static std::optional<Key> keyFor(const std::string& path, float scale);
    // Starts decoding the files, one after another on one worker thread, except those already
    // under way and those whose header is not a picture's.
    static void start(const std::vector<Key>& keys);
    // The result of the decode started for this key: the decoded image (null for a damaged file)
    // when it is done, else an image of the header's size whose pixels wait for the decode. None
    // when no decode was started for it; one for another version of the same file is dropped.
    static std::optional<std::shared_ptr<UIImage>> take(const Key& key);
    // How many decodes wait to be taken (for tests).
    static std::size_t pending();
};
