#pragma once
// Where a screen frame starts painting: the topmost view, searching the windows front to back,
// whose opaque content hides everything under it inside the damage. The windows under its own are
// not painted at all, nor what its window paints under it.
#include "platform/graphics/FrameBuffer.h"

#include <cstddef>
#include <memory>
#include <vector>

class UIView;
class UIWindow;

struct OpaqueCover {
    // The covering view, or null when none covers the damage.
    const UIView* view = nullptr;
    // The index of its window among the windows searched (0 when there is no view).
    std::size_t window = 0;
    // Its superviews, nearest first, up to its window.
    std::vector<const UIView*> ancestors;

    // Searches the windows, given back to front, for the cover of the damage at the scale.
    static OpaqueCover find(const std::vector<std::shared_ptr<UIWindow>>& windows, const PixelRect& damage, float scale);
};
