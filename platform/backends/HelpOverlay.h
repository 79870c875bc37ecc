#pragma once
// A small panel of text that the desktop window draws over the screen's picture, at the window's
// own pixel size: the keys it understands, or a note that the host is in the background. It is
// no view of the host's, so nothing of it shows in snapshots.
#include "platform/graphics/FrameBuffer.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

class HelpOverlay {
public:
    using Rows = std::vector<std::pair<std::string, std::string>>;

    // The keys, each with what it does.
    static const Rows& keys();
    // A title over rows of two columns, white on a dark panel; null when it cannot be made.
    static std::unique_ptr<FrameBuffer> render(const std::string& title, const Rows& rows);
};
