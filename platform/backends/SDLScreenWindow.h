#pragma once
#include "platform/backends/HelpOverlay.h"
// The desktop window and what it shows: the screen's frame buffer scaled to the window with
// smooth filtering, bars around it when the window's shape differs, and an optional panel centred
// on top. Window positions map back to screen points through the same fit. Internal to the SDL
// backend; SDL's types stay declared, not included.
#include "platform/backends/WindowFit.h"
#include "platform/foundation/Result.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

struct SDL_Window;
struct SDL_Renderer;
struct SDL_Texture;
class FrameBuffer;

class SDLScreenWindow {
public:
    static const char* title();

    explicit SDLScreenWindow(WindowFit fit);
    ~SDLScreenWindow();
    SDLScreenWindow(const SDLScreenWindow&) = delete;
    SDLScreenWindow& operator=(const SDLScreenWindow&) = delete;

    // Makes the window, fitted and centred on the first display's usable area, or at the zoom
    // when one is given and the area holds it; fails with SDL's reason.
    Result<void> create(std::optional<double> zoom);
    // Fits and centres the window, frame included, on the display it is on, with the borders the
    // window manager has put round it by now. A zoom keeps its size unless the area cannot hold
    // it, which is said through onNotice (once). Once the whole window is where it should be,
    // later calls leave it where the user puts it.
    void refit();
    bool isSettled() const { return settled_; }

    // Said when the window cannot be as asked for (a zoom larger than the display holds).
    std::function<void(const std::string&)> onNotice;

    // Shows the frame, sending the texture only the rows in `damage` unless `full`.
    void present(const FrameBuffer& frame, const PixelRect& damage, bool full);
    // The picture to show in the frame's place while the window is covered (see presentCover).
    void setCover(std::unique_ptr<FrameBuffer> cover);
    // Shows the cover in the frame's place, fitted as the frame is, with the panel over it; the
    // frame's texture is left as it was. Without a cover the picture is black: never the frame.
    void presentCover();
    // The panel to show over the picture, or none; the window shows it at the next present, drawn
    // anew whenever the picture's size changes so that it grows and shrinks with it.
    void setOverlay(std::optional<HelpOverlay> overlay);

    // Window coordinates to screen points, and whether they fall on the picture.
    CGPoint toPoints(double x, double y) const;
    bool isOnPicture(double x, double y) const;
    // A rectangle of screen points in window coordinates.
    PixelRect toWindow(CGRect points) const;
    WindowSize size() const;
    SDL_Window* window() const { return window_.get(); }

private:
    bool uploadFrame(const FrameBuffer& frame, const PixelRect& damage, bool full);
    void drawOverlay(const PixelRect& picture);

    // Gives SDL's objects back; declared in this order, they go textures first, window last.
    struct SDLRelease {
        void operator()(SDL_Window* window) const;
        void operator()(SDL_Renderer* renderer) const;
        void operator()(SDL_Texture* texture) const;
    };

    WindowBorders currentBorders() const;
    WindowSize wantedSize(const PixelRect& area, const WindowBorders& borders);

    WindowFit fit_;
    std::optional<double> zoom_;
    // Where the window was last asked to be (the inside's corner), in display coordinates.
    PixelRect asked_;
    bool settled_ = false;
    int attempts_ = 0;
    bool zoomNoticed_ = false;
    std::unique_ptr<SDL_Window, SDLRelease> window_;
    std::unique_ptr<SDL_Renderer, SDLRelease> renderer_;
    std::unique_ptr<SDL_Texture, SDLRelease> texture_;
    std::unique_ptr<SDL_Texture, SDLRelease> overlayTexture_;
    std::unique_ptr<SDL_Texture, SDLRelease> coverTexture_;
    std::unique_ptr<FrameBuffer> cover_;
    std::optional<HelpOverlay> overlaySource_;
    std::unique_ptr<FrameBuffer> overlay_;
    // The picture size overlay_ was drawn for.
    WindowSize overlayFor_;
    WindowSize textureSize_;
};
