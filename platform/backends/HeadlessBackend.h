#pragma once
// Renders the screen without a display: for the scenario player, the tour and tests.
#include "platform/graphics/FrameBuffer.h"

#include <memory>

class UIImage;

class HeadlessBackend {
public:
    // Renders one frame into the shared renderer (only what changed); answers the re-composed pixels.
    PixelRect renderFrame();
    // Virtual clock only: moves time on by `seconds`, firing due work in order and rendering a frame
    // every `frameInterval` while animations run (and after each firing otherwise), as a display would.
    void advance(double seconds, double frameInterval = 1.0 / 60.0);
    // The whole screen as it stands now, at pixel size.
    std::shared_ptr<UIImage> snapshot();
};
