#pragma once
// Composes the main screen's windows into one retained frame buffer at pixel size (points ×
// scale), re-composing only what changed since the previous frame. Rendering follows presentation
// values, so animations in flight show their current state.
//
// A frame lays the windows out, collects what changed and then brings the views' retained drawing
// up to date (DamageTracker), finds the opaque view under which nothing shows (OpaqueCover), and
// paints the windows back to front inside the damage (ViewPainter). What the compositor keeps of
// each view between frames is in its own records (ViewRecords), never in the views.
#include "platform/compositor/DamageTracker.h"
#include "platform/compositor/LayerPool.h"
#include "platform/compositor/ViewRecords.h"
#include "platform/graphics/CGGeometry.h"
#include "platform/graphics/FrameBuffer.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class UIImage;
class UIWindow;

class Renderer {
public:
    // The renderer of the toolkit in force.
    static Renderer& shared();

    // Lays out the windows, then re-composes the part of the screen that changed (views that
    // moved, faded, appeared, vanished or asked to be redrawn). Answers that part in pixels;
    // empty when the frame buffer was already current.
    PixelRect renderScreen();
    // The composed screen as of the last renderScreen().
    const FrameBuffer& frameBuffer() const { return screen_; }

    // Makes the next frame re-compose the whole screen.
    void setNeedsFullRedraw() { damage_.setNeedsFullRedraw(); }
    // Whether damage has been noted since the last frame (moves and fades are found only by rendering).
    bool hasNotedDamage() const { return damage_.hasNotedDamage(); }

    // The screen as a PNG-ready image at the screen's scale (renders first).
    static std::shared_ptr<UIImage> snapshotScreen();
    // One window alone, at its bounds size, over transparency; its own alpha and position are left out.
    static std::shared_ptr<UIImage> snapshotWindow(UIWindow& window);
    // Writes a snapshot as a PNG as UIImage::writePNG does (never through a link); false, with the
    // reason in error, when it could not.
    static bool writeScreenPNG(const std::string& path, std::string* error = nullptr);
    static bool writeWindowPNG(UIWindow& window, const std::string& path);

private:
    struct Screen {
        CGSize points;
        float scale;
    };
    static Screen currentScreen();
    // Paints the windows (back to front) into the damaged part of the frame buffer.
    void compose(const std::vector<std::shared_ptr<UIWindow>>& windows, const compositor::PixelGrid& grid, const PixelRect& damage);

    FrameBuffer screen_;
    // Pixels per point of the last frame.
    float scale_ = 1;
    std::uint64_t frame_ = 0;
    ViewRecords records_;
    DamageTracker damage_;
    LayerPool layers_;
};
