#pragma once
// The desktop window and what it shows: the screen's frame buffer scaled to the window with
// smooth filtering, bars around it when the window's shape differs, and an optional panel centred
// on top. Window positions map back to screen points through the same fit. Internal to the SDL
// backend; SDL's types stay declared, not included.
#include "platform/backends/WindowFit.h"

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
    // when one is given; false with the reason in `error`.
    bool create(std::optional<double> zoom, std::string& error);
    // Fits and centres the window again on the display it is on, now that the window manager's
    // borders are known. Nothing with a zoom: the size was asked for.
    void refit();

    // Shows the frame, sending the texture only the rows in `damage` unless `full`.
    void present(const FrameBuffer& frame, const PixelRect& damage, bool full);
    // The panel to show over the picture, or null for none; the window shows it at the next present.
    void setOverlay(std::unique_ptr<FrameBuffer> overlay);

    // Window coordinates to screen points, and whether they fall on the picture.
    CGPoint toPoints(double x, double y) const;
    bool isOnPicture(double x, double y) const;
    // A rectangle of screen points in window coordinates.
    PixelRect toWindow(CGRect points) const;
    WindowSize size() const;
    SDL_Window* window() const { return window_.get(); }

private:
    bool uploadFrame(const FrameBuffer& frame, const PixelRect& damage, bool full);
    void drawOverlay(int outputWidth, int outputHeight);

    // Gives SDL's objects back; declared in this order, they go textures first, window last.
    struct SDLRelease {
        void operator()(SDL_Window* window) const;
        void operator()(SDL_Renderer* renderer) const;
        void operator()(SDL_Texture* texture) const;
    };

    WindowFit fit_;
    std::optional<double> zoom_;
    std::unique_ptr<SDL_Window, SDLRelease> window_;
    std::unique_ptr<SDL_Renderer, SDLRelease> renderer_;
    std::unique_ptr<SDL_Texture, SDLRelease> texture_;
    std::unique_ptr<SDL_Texture, SDLRelease> overlayTexture_;
    std::unique_ptr<FrameBuffer> overlay_;
    WindowSize textureSize_;
};
