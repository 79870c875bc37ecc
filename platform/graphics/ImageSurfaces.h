#pragma once
// The Cairo surfaces one toolkit made over its images' pixels, by image; an entry goes when its
// image has.
#include "platform/graphics/CairoHandles.h"

#include <memory>
#include <unordered_map>

class UIImage;

struct ImageSurfaces {
    struct Entry {
        std::weak_ptr<const UIImage> image;
        CairoSurface surface;
        // The image resampled to the pixel size it was last drawn at, or null.
        CairoSurface scaled;
        int scaledWidth = 0, scaledHeight = 0;
    };

    std::unordered_map<const UIImage*, Entry> entries;

    // Entries whose image has gone; their address may be reused by a new image.
    void prune()
    {
        std::erase_if(entries, [](const auto& item) { return item.second.image.expired(); });
    }
    void clear() { entries.clear(); }
};
