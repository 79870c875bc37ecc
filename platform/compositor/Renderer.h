#pragma once
// Composes the main screen's windows into one retained frame buffer at pixel size (points ×
// scale), re-composing only what changed since the previous frame. Rendering follows presentation
// values, so animations in flight show their current state.
#include "platform/graphics/CGGeometry.h"
#include "platform/graphics/FrameBuffer.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class NSObject;
class UIImage;
class UIView;
class UIWindow;

class Renderer {
public:
    static Renderer& shared();

    // Lays out the windows, then re-composes the part of the screen that changed (noted damage,
    // views that moved, faded, appeared, vanished or asked to be redrawn). Answers that part in
    // pixels; empty when the frame buffer was already current.
    PixelRect renderScreen();
    // The composed screen as of the last renderScreen().
    const FrameBuffer& frameBuffer() const { return screen_; }
    // Pixels per point of the last frame.
    float scale() const { return scale_; }
    // How many frames have been rendered (including those that found nothing to do).
    std::uint64_t frameCount() const { return frame_; }

    // Marks a rectangle of the screen, in points, to be re-composed in the next frame.
    void noteDamage(CGRect screenRect);
    // Makes the next frame re-compose the whole screen.
    void setNeedsFullRedraw() { fullRedraw_ = true; }
    // Whether damage has been noted since the last frame (moves and fades are found only by rendering).
    bool hasNotedDamage() const;

    // The screen as a PNG-ready image at the screen's scale (renders first).
    static std::shared_ptr<UIImage> snapshotScreen();
    // One window alone, at its bounds size, over transparency; its own alpha and position are left out.
    static std::shared_ptr<UIImage> snapshotWindow(const UIWindow& window);
    static bool writeScreenPNG(const std::string& path);
    static bool writeWindowPNG(const UIWindow& window, const std::string& path);

    // Where the view's bounds lie on screen, in points, following presentation transforms; none
    // when the view is not in a window or its geometry is degenerate.
    static std::optional<CGRect> screenRectOfView(const UIView& view);
    // Forgets the frame buffer and every damage (a fresh process, for tests).
    void reset();

private:
    struct Vanishing {
        std::weak_ptr<const NSObject> view;
        CGRect screenRect;
    };
    struct Screen {
        CGSize points;
        float scale;
    };
    static Screen currentScreen();
    PixelRect toPixels(CGRect points) const;
    // Answers the part of the screen the view and its children may paint on, in points.
    CGRect collectChanges(const UIView& view, CGAffineTransform parentToScreen, float parentOpacity, bool ancestorChanged);
    // Brings the view's retained drawing up to date; answers the changed part in surface pixels.
    PixelRect updateBackingStore(const UIView& view);
    // The topmost view, searching the windows front to back, whose opaque content hides
    // everything under it inside the damage; null when none does.
    const UIView* opaqueViewCovering(const UIView& view, CGAffineTransform parentToScreen, const PixelRect& damage) const;
    void drawView(void* cairoContext, const UIView& view, bool asRoot);
    void drawContent(void* cairoContext, const UIView& view);

    FrameBuffer screen_;
    float scale_ = 1;
    std::uint64_t frame_ = 0;
    PixelRect damage_;
    bool fullRedraw_ = true;
    bool snapshotting_ = false;
    // While composing the screen: the damaged pixels (views wholly outside are skipped), and the
    // opaque view painted first with its ancestors (what lies under it is not painted).
    bool culling_ = false;
    PixelRect composing_;
    const UIView* base_ = nullptr;
    std::vector<const UIView*> baseAncestors_;
    bool beforeBase_ = false;
    std::vector<const UIWindow*> lastWindows_;
    std::vector<Vanishing> shownViews_;
    std::vector<Vanishing> nextShownViews_;
};
