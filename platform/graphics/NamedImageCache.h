#pragma once
// Images made by drawing rather than read from a file, kept by a name their maker gives them so
// that the same picture is drawn once and handed out again. The oldest go first.
#include <algorithm>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class UIImage;

class NamedImageCache {
public:
    std::shared_ptr<UIImage> find(const std::string& name) const
    {
        auto it = std::find_if(entries_.begin(), entries_.end(), [&](const auto& entry) { return entry.first == name; });
        return it == entries_.end() ? nullptr : it->second;
    }
    // Keeps the image under the name, letting the oldest go while more than `kept` are held.
    void insert(std::string name, std::shared_ptr<UIImage> image, std::size_t kept)
    {
        std::erase_if(entries_, [&](const auto& entry) { return entry.first == name; });
        entries_.emplace_back(std::move(name), std::move(image));
        while (entries_.size() > kept)
            entries_.erase(entries_.begin());
    }

private:
    std::vector<std::pair<std::string, std::shared_ptr<UIImage>>> entries_;
};
