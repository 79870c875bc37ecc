#include "platform/backends/SDLScreenWindow.h"

#include "platform/backends/X11WindowFrame.h"
#include "platform/graphics/FrameBuffer.h"

#include <SDL.h>

#include <algorithm>
#include <cstddef>
#include <sstream>

namespace {

// Room kept for a title bar and borders until the window manager says what it adds.
constexpr WindowBorders assumedBorders { 32, 4, 4, 4 };
// The panel keeps this far from the window's edges, shrinking in a small window.
// How many times the window is moved towards its place before it is left where it is.
constexpr int maximumAttempts = 6;

PixelRect usableArea(int display)
{
    SDL_Rect r {};
    if (SDL_GetDisplayUsableBounds(display, &r) != 0 && SDL_GetDisplayBounds(display, &r) != 0)
        return {};
    return { r.x, r.y, r.w, r.h };
}

} // namespace

const char* SDLScreenWindow::title() { return "Glyphward — F9 background · F10 foreground · F1 help"; }

SDLScreenWindow::SDLScreenWindow(WindowFit fit) : fit_(fit) { }

SDLScreenWindow::~SDLScreenWindow() = default;

void SDLScreenWindow::SDLRelease::operator()(SDL_Window* window) const { SDL_DestroyWindow(window); }

void SDLScreenWindow::SDLRelease::operator()(SDL_Renderer* renderer) const { SDL_DestroyRenderer(renderer); }

void SDLScreenWindow::SDLRelease::operator()(SDL_Texture* texture) const { SDL_DestroyTexture(texture); }

Result<void> SDLScreenWindow::create(std::optional<double> zoom)
{
    zoom_ = zoom;
    const PixelRect area = usableArea(0);
    const WindowSize size = area.isEmpty() ? fit_.windowSize(zoom.value_or(1.0)) : wantedSize(area, assumedBorders);
    int x = static_cast<int>(SDL_WINDOWPOS_CENTERED_DISPLAY(0)), y = x;
    if (!area.isEmpty()) {
        const PixelRect place = WindowFit::placement(area, assumedBorders, size);
        x = place.x;
        y = place.y;
    }
    asked_ = { x, y, size.width, size.height };
    window_.reset(SDL_CreateWindow(title(), x, y, size.width, size.height, SDL_WINDOW_SHOWN | SDL_WINDOW_RESIZABLE));
    if (!window_)
        return Failure::because(SDL_GetError());
    renderer_.reset(SDL_CreateRenderer(window_.get(), -1, 0));
    if (!renderer_)
        renderer_.reset(SDL_CreateRenderer(window_.get(), -1, SDL_RENDERER_SOFTWARE));
    if (!renderer_)
        return Failure::because(SDL_GetError());
    // SDL writes WM_NAME in the locale's encoding and no _NET_WM_NAME in the C locale. Set after
    // the renderer, which may have had SDL make the window again.
    X11WindowFrame::setTitle(window_.get(), title());
    return {};
}

// The borders as the window tree shows them on X11 (every window manager's frame, whether or not
// it says how large it is); else as SDL knows them; else the room kept for them.
WindowBorders SDLScreenWindow::currentBorders() const
{
    if (const auto geometry = X11WindowFrame::geometry(window_.get()))
        return geometry->borders();
    int top = 0, left = 0, bottom = 0, right = 0;
    if (SDL_GetWindowBordersSize(window_.get(), &top, &left, &bottom, &right) == 0 && (top || left || bottom || right))
        return { top, left, bottom, right };
    return assumedBorders;
}

WindowSize SDLScreenWindow::wantedSize(const PixelRect& area, const WindowBorders& borders)
{
    if (!zoom_)
        return fit_.windowSize(fit_.scaleToFit(area, borders));
    const double largest = fit_.largestScale(area, borders);
    if (*zoom_ <= largest)
        return fit_.windowSize(*zoom_);
    if (!zoomNoticed_ && onNotice) {
        const WindowSize asked = fit_.windowSize(*zoom_);
        std::ostringstream notice;
        notice << "--zoom " << *zoom_ << " would make the window " << asked.width << "x" << asked.height
               << ", more than the display's usable area (" << area.width << "x" << area.height
               << ") holds with the window's frame; it is shown smaller, fitted to the area";
        onNotice(notice.str());
    }
    zoomNoticed_ = true;
    return fit_.windowSize(largest);
}

void SDLScreenWindow::refit()
{
    if (!window_ || settled_)
        return;
    // A window manager that places windows its own way is not argued with for ever.
    if (++attempts_ > maximumAttempts) {
        settled_ = true;
        return;
    }
    const PixelRect area = usableArea(std::max(0, SDL_GetWindowDisplayIndex(window_.get())));
    if (area.isEmpty())
        return;
    const WindowBorders borders = currentBorders();
    PixelRect found { 0, 0, 0, 0 };
    if (const auto geometry = X11WindowFrame::geometry(window_.get()))
        found = geometry->inner;
    else {
        SDL_GetWindowPosition(window_.get(), &found.x, &found.y);
        SDL_GetWindowSize(window_.get(), &found.width, &found.height);
    }
    // A window that fits with its frame keeps its size and is only moved: a size changed from
    // here is not always drawn at once by SDL's software renderer.
    WindowSize wanted = wantedSize(area, borders);
    const WindowSize kept { found.width, found.height };
    if (kept.width <= wanted.width && kept.height <= wanted.height
        && WindowFit::liesWithin(WindowFit::placement(area, borders, kept), borders, area))
        wanted = kept;
    const PixelRect place = WindowFit::placement(area, borders, wanted);
    if (found == place) {
        settled_ = true;
        return;
    }
    const PixelRect request = WindowFit::nextRequest(asked_, found, place);
    if (found.width != wanted.width || found.height != wanted.height)
        SDL_SetWindowSize(window_.get(), wanted.width, wanted.height);
    if (found.x != place.x || found.y != place.y)
        SDL_SetWindowPosition(window_.get(), request.x, request.y);
    asked_ = request;
}

bool SDLScreenWindow::uploadFrame(const FrameBuffer& frame, const PixelRect& damage, bool full)
{
    const WindowSize frameSize { frame.width(), frame.height() };
    if (frameSize.width <= 0 || frameSize.height <= 0 || !frame.data())
        return false;
    if (!texture_ || !(frameSize == textureSize_)) {
        texture_.reset();
        texture_.reset(SDL_CreateTexture(renderer_.get(), SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING, frameSize.width, frameSize.height));
        if (!texture_)
            return false;
        SDL_SetTextureScaleMode(texture_.get(), SDL_ScaleModeLinear);
        textureSize_ = frameSize;
        full = true;
    }
    const PixelRect all { 0, 0, frameSize.width, frameSize.height };
    const PixelRect rows = (full ? all : PixelRect { 0, damage.y, frameSize.width, damage.height }).intersected(all);
    if (!rows.isEmpty()) {
        const SDL_Rect rect { rows.x, rows.y, rows.width, rows.height };
        SDL_UpdateTexture(texture_.get(), &rect, frame.data() + static_cast<std::ptrdiff_t>(rows.y) * frame.stride(), frame.stride());
    }
    return true;
}

void SDLScreenWindow::present(const FrameBuffer& frame, const PixelRect& damage, bool full)
{
    if (!renderer_ || !uploadFrame(frame, damage, full))
        return;
    int width = 0, height = 0;
    if (SDL_GetRendererOutputSize(renderer_.get(), &width, &height) != 0)
        return;
    const PixelRect content = fit_.contentRect({ width, height });
    const SDL_Rect target { content.x, content.y, content.width, content.height };
    SDL_SetRenderDrawColor(renderer_.get(), 0, 0, 0, 255);
    SDL_RenderClear(renderer_.get());
    SDL_RenderCopy(renderer_.get(), texture_.get(), nullptr, &target);
    drawOverlay(content);
    SDL_RenderPresent(renderer_.get());
}

void SDLScreenWindow::setCover(std::unique_ptr<FrameBuffer> cover)
{
    coverTexture_.reset();
    cover_ = std::move(cover);
}

void SDLScreenWindow::presentCover()
{
    if (!renderer_)
        return;
    int width = 0, height = 0;
    if (SDL_GetRendererOutputSize(renderer_.get(), &width, &height) != 0)
        return;
    if (!coverTexture_ && cover_ && cover_->width() > 0 && cover_->height() > 0 && cover_->data()) {
        coverTexture_.reset(SDL_CreateTexture(renderer_.get(), SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STATIC, cover_->width(), cover_->height()));
        if (coverTexture_) {
            SDL_SetTextureScaleMode(coverTexture_.get(), SDL_ScaleModeLinear);
            SDL_UpdateTexture(coverTexture_.get(), nullptr, cover_->data(), cover_->stride());
        }
    }
    const PixelRect content = fit_.contentRect({ width, height });
    const SDL_Rect target { content.x, content.y, content.width, content.height };
    SDL_SetRenderDrawColor(renderer_.get(), 0, 0, 0, 255);
    SDL_RenderClear(renderer_.get());
    if (coverTexture_)
        SDL_RenderCopy(renderer_.get(), coverTexture_.get(), nullptr, &target);
    drawOverlay(content);
    SDL_RenderPresent(renderer_.get());
}

void SDLScreenWindow::setOverlay(std::optional<HelpOverlay> overlay)
{
    overlayTexture_.reset();
    overlay_.reset();
    overlaySource_ = std::move(overlay);
}

void SDLScreenWindow::drawOverlay(const PixelRect& picture)
{
    if (!overlaySource_)
        return;
    const WindowSize size { picture.width, picture.height };
    if (!overlay_ || !(overlayFor_ == size)) {
        overlayTexture_.reset();
        overlay_ = overlaySource_->renderToFit(picture.width, picture.height);
        overlayFor_ = size;
    }
    if (!overlay_ || overlay_->width() <= 0 || overlay_->height() <= 0)
        return;
    if (!overlayTexture_) {
        overlayTexture_.reset(SDL_CreateTexture(renderer_.get(), SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STATIC, overlay_->width(), overlay_->height()));
        if (!overlayTexture_)
            return;
        SDL_UpdateTexture(overlayTexture_.get(), nullptr, overlay_->data(), overlay_->stride());
    }
    // Drawn at its own pixel size, centred on the picture: no scaling, so the text stays sharp.
    const int width = std::min(overlay_->width(), picture.width);
    const int height = std::min(overlay_->height(), picture.height);
    const SDL_Rect source { 0, 0, width, height };
    const SDL_Rect target { picture.x + (picture.width - width) / 2, picture.y + (picture.height - height) / 2, width, height };
    SDL_RenderCopy(renderer_.get(), overlayTexture_.get(), &source, &target);
}

CGPoint SDLScreenWindow::toPoints(double x, double y) const { return fit_.toPoints(x, y, size()); }

bool SDLScreenWindow::isOnPicture(double x, double y) const { return fit_.isOnPicture(x, y, size()); }

PixelRect SDLScreenWindow::toWindow(CGRect points) const { return fit_.toWindow(points, size()); }

WindowSize SDLScreenWindow::size() const
{
    WindowSize size;
    if (window_)
        SDL_GetWindowSize(window_.get(), &size.width, &size.height);
    return size;
}
