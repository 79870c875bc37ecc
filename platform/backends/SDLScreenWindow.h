#pragma once
#include "platform/backends/HelpOverlay.h"
// The desktop window and what it shows: the screen's frame buffer scaled to the window with
// smooth filtering, bars around it when the window's shape differs, and an optional panel centred
// on top, drawn into the window's own pixels (shared with a local X server, else SDL's window
// surface) and sent to the display only where they changed. Window positions map back to screen points through the same fit. Internal
// to the SDL backend; SDL's types stay declared, not included.
#include "platform/backends/WindowFit.h"
#include "platform/foundation/Result.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

struct SDL_Window;
struct SDL_Surface;
class FrameBuffer;
class X11ShmFramebuffer;

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

    // Shows the frame: only the window pixels that `damage` (frame pixels) reaches are drawn and
    // sent, unless `full` or the window's pixels are not what the last frame left (a new size,
    // the cover, a new panel), when all of them are.
    void present(const FrameBuffer& frame, const PixelRect& damage, bool full);
    // The picture to show in the frame's place while the window is covered (see presentCover).
    void setCover(std::unique_ptr<FrameBuffer> cover);
    // Shows the cover in the frame's place, fitted as the frame is, with the panel over it. Without
    // a cover the picture is black: never the frame.
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
    // What the window's pixels hold, so that a frame knows whether drawing its damage suffices.
    struct Shown {
        const void* pixels = nullptr;
        WindowSize size;
        bool cover = true;
        friend bool operator==(const Shown&, const Shown&) = default;
    };

    // Draws `picture` (the frame or the cover) into the window pixels that `damage` (picture
    // pixels) reaches, all of them when it is unset, and sends that part to the display.
    void show(const FrameBuffer& picture, std::optional<PixelRect> damage, bool cover);
    bool showShared(const FrameBuffer& picture, const std::optional<PixelRect>& damage, bool cover);
    PixelRect partToDraw(const FrameBuffer& picture, const std::optional<PixelRect>& damage, const Shown& now) const;
    void paintPart(cairo_surface_t* target, const PixelRect& part, const FrameBuffer& picture, WindowSize size);
    const FrameBuffer* overlayFor(const PixelRect& picture);

    // Gives SDL's objects back; declared in this order, the window goes last.
    struct SDLRelease {
        void operator()(SDL_Window* window) const;
        void operator()(SDL_Surface* surface) const;
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
    // The window's pixels shared with the X server, when it takes them; else SDL's surface holds
    // them. Declared after the window, it goes first.
    std::unique_ptr<X11ShmFramebuffer> framebuffer_;
    // Where the picture is drawn when the window's pixels are not in Cairo's 32-bit format: a
    // copy of them, from which the drawn parts are converted into the window's.
    std::unique_ptr<FrameBuffer> staging_;
    std::unique_ptr<SDL_Surface, SDLRelease> stagingSurface_;
    Shown shown_;
    std::unique_ptr<FrameBuffer> cover_;
    FrameBuffer black_;
    std::optional<HelpOverlay> overlaySource_;
    std::unique_ptr<FrameBuffer> overlay_;
    // The picture size overlay_ was drawn for.
    WindowSize overlayFor_;
};
