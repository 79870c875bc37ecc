#include "platform/backends/SDLScreenWindow.h"

#include "platform/backends/WindowPainter.h"
#include "platform/backends/X11ShmFramebuffer.h"
#include "platform/backends/X11WindowFrame.h"
#include "platform/graphics/FrameBuffer.h"

#include <SDL.h>
#include <cairo.h>

#include <algorithm>
#include <cstddef>
#include <sstream>
#include <string_view>

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

void SDLScreenWindow::SDLRelease::operator()(SDL_Surface* surface) const { SDL_FreeSurface(surface); }

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
    // On X11 the window's pixels are sent to the server as they are, only the parts drawn; left
    // to itself SDL would keep them in a texture of a GPU renderer (OpenGL, drawn in software
    // under Xvfb) and copy the whole window through it at every update.
    if (const char* driver = SDL_GetCurrentVideoDriver(); driver && std::string_view(driver) == "x11")
        SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    window_.reset(SDL_CreateWindow(title(), x, y, size.width, size.height, SDL_WINDOW_SHOWN | SDL_WINDOW_RESIZABLE));
    if (!window_)
        return Failure::because(SDL_GetError());
    framebuffer_ = X11ShmFramebuffer::create(window_.get());
    if (!framebuffer_ && !SDL_GetWindowSurface(window_.get()))
        return Failure::because(SDL_GetError());
    // SDL writes WM_NAME in the locale's encoding and no _NET_WM_NAME in the C locale. Set after
    // the window's pixels are made, which may have had SDL make the window again.
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
    // here is not always drawn at once by SDL.
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

// Parts are drawn only over what the last frame left: the pixels are made anew after a resize,
// and the cover or another panel leaves the rest of them wrong for this picture. The damage is
// in the pixels of the frame the fit was made for; any other size shows whole.
PixelRect SDLScreenWindow::partToDraw(const FrameBuffer& picture, const std::optional<PixelRect>& damage, const Shown& now) const
{
    const PixelRect all { 0, 0, now.size.width, now.size.height };
    const bool fitted = picture.width() == fit_.frame().width && picture.height() == fit_.frame().height;
    return damage && fitted && now == shown_ ? fit_.shownArea(*damage, now.size).intersected(all) : all;
}

void SDLScreenWindow::paintPart(cairo_surface_t* target, const PixelRect& part, const FrameBuffer& picture, WindowSize size)
{
    const PixelRect content = fit_.contentRect(size);
    WindowPainter::paint(target, part, &picture, content, overlayFor(content));
    cairo_surface_flush(target);
}

void SDLScreenWindow::show(const FrameBuffer& picture, std::optional<PixelRect> damage, bool cover)
{
    if (framebuffer_) {
        if (showShared(picture, damage, cover))
            return;
        // The shared pixels could not be had (memory refused, the display gone): SDL's surface
        // shows this picture and every later one, drawn whole.
        framebuffer_.reset();
        shown_ = {};
    }
    SDL_Surface* surface = window_ ? SDL_GetWindowSurface(window_.get()) : nullptr;
    if (!surface || surface->w <= 0 || surface->h <= 0)
        return;
    const WindowSize size { surface->w, surface->h };
    const Shown now { surface->pixels, size, cover };
    const PixelRect part = partToDraw(picture, damage, now);
    if (part.isEmpty())
        return;
    const bool direct = (surface->format->format == SDL_PIXELFORMAT_RGB888 || surface->format->format == SDL_PIXELFORMAT_ARGB8888)
        && !SDL_MUSTLOCK(surface);
    if (direct) {
        staging_.reset();
        stagingSurface_.reset();
        const CairoSurface target { cairo_image_surface_create_for_data(static_cast<unsigned char*>(surface->pixels),
            surface->format->format == SDL_PIXELFORMAT_RGB888 ? CAIRO_FORMAT_RGB24 : CAIRO_FORMAT_ARGB32, size.width, size.height,
            surface->pitch) };
        paintPart(target.get(), part, picture, size);
    } else {
        // Drawn in Cairo's format, then converted into the window's for the part drawn.
        if (!staging_ || staging_->width() != size.width || staging_->height() != size.height) {
            stagingSurface_.reset();
            staging_ = std::make_unique<FrameBuffer>();
            staging_->resize(size.width, size.height);
            if (!staging_->surface() || cairo_surface_status(staging_->surface()) != CAIRO_STATUS_SUCCESS)
                return staging_.reset();
            stagingSurface_.reset(SDL_CreateRGBSurfaceWithFormatFrom(cairo_image_surface_get_data(staging_->surface()),
                size.width, size.height, 32, staging_->stride(), SDL_PIXELFORMAT_ARGB8888));
            if (!stagingSurface_)
                return staging_.reset();
            SDL_SetSurfaceBlendMode(stagingSurface_.get(), SDL_BLENDMODE_NONE);
        }
        paintPart(staging_->surface(), part, picture, size);
        SDL_Rect from { part.x, part.y, part.width, part.height };
        SDL_Rect to = from;
        if (SDL_BlitSurface(stagingSurface_.get(), &from, surface, &to) != 0)
            return;
    }
    const SDL_Rect sent { part.x, part.y, part.width, part.height };
    if (SDL_UpdateWindowSurfaceRects(window_.get(), &sent, 1) != 0)
        return;
    // The pixels may have been made anew by the update (a window that changed size meanwhile).
    shown_ = now;
}

// Shows the picture through the shared pixels; false when they cannot be had.
bool SDLScreenWindow::showShared(const FrameBuffer& picture, const std::optional<PixelRect>& damage, bool cover)
{
    const WindowSize size = this->size();
    if (size.width <= 0 || size.height <= 0)
        return true;
    unsigned char* pixels = framebuffer_->pixels(size);
    if (!pixels)
        return false;
    const Shown now { pixels, size, cover };
    const PixelRect part = partToDraw(picture, damage, now);
    if (part.isEmpty())
        return true;
    const CairoSurface target { cairo_image_surface_create_for_data(pixels, CAIRO_FORMAT_RGB24, size.width, size.height,
        framebuffer_->stride()) };
    paintPart(target.get(), part, picture, size);
    if (framebuffer_->update(part))
        shown_ = now;
    return true;
}

void SDLScreenWindow::present(const FrameBuffer& frame, const PixelRect& damage, bool full)
{
    if (frame.width() <= 0 || frame.height() <= 0 || !frame.data())
        return;
    show(frame, full ? std::nullopt : std::optional<PixelRect>(damage), false);
}

void SDLScreenWindow::setCover(std::unique_ptr<FrameBuffer> cover) { cover_ = std::move(cover); }

void SDLScreenWindow::presentCover()
{
    const FrameBuffer none;
    show(cover_ && cover_->data() ? *cover_ : none, std::nullopt, true);
}

void SDLScreenWindow::setOverlay(std::optional<HelpOverlay> overlay)
{
    overlay_.reset();
    overlaySource_ = std::move(overlay);
    // The next frame shows whole: the old panel's place as much as the new one's.
    shown_ = {};
}

const FrameBuffer* SDLScreenWindow::overlayFor(const PixelRect& picture)
{
    if (!overlaySource_)
        return nullptr;
    const WindowSize size { picture.width, picture.height };
    if (!overlay_ || !(overlayFor_ == size)) {
        overlay_ = overlaySource_->renderToFit(picture.width, picture.height);
        overlayFor_ = size;
    }
    return overlay_.get();
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
