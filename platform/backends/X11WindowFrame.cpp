#include "platform/backends/X11WindowFrame.h"

#include <SDL.h>
#include <SDL_syswm.h>

#if defined(SDL_VIDEO_DRIVER_X11)
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xproto.h>
#include <X11/Xutil.h>
#endif

#include <memory>

namespace {

#if defined(SDL_VIDEO_DRIVER_X11)
struct X11Window {
    Display* display = nullptr;
    Window window = 0;
};

std::optional<X11Window> x11Window(SDL_Window* window)
{
    if (!window)
        return std::nullopt;
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11 || !info.info.x11.display)
        return std::nullopt;
    return X11Window { info.info.x11.display, info.info.x11.window };
}

struct XFreeDeleter {
    void operator()(void* data) const
    {
        if (data)
            XFree(data);
    }
};

// WM_NAME and WM_ICON_NAME as the ICCCM has them: Latin-1 text where it suffices, compound text
// otherwise. Xlib converts from UTF-8 whatever the process's locale; should it refuse, the
// property is left as SDL wrote it.
void setLegacyName(Display* display, Window window, const std::string& title)
{
    char* list[] = { const_cast<char*>(title.c_str()) };
    XTextProperty property {};
    if (Xutf8TextListToTextProperty(display, list, 1, XStdICCTextStyle, &property) < Success)
        return;
    const std::unique_ptr<unsigned char, XFreeDeleter> value(property.value);
    XSetWMName(display, window, &property);
    XSetWMIconName(display, window, &property);
}

void setUtf8Property(Display* display, Window window, const char* name, const std::string& text)
{
    const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    XChangeProperty(display, window, XInternAtom(display, name, False), utf8, 8, PropModeReplace,
        reinterpret_cast<const unsigned char*>(text.data()), static_cast<int>(text.size()));
}
#endif

} // namespace

WindowBorders X11WindowFrame::Geometry::borders() const
{
    return { inner.y - outer.y, inner.x - outer.x, (outer.y + outer.height) - (inner.y + inner.height),
        (outer.x + outer.width) - (inner.x + inner.width) };
}

bool X11WindowFrame::setTitle(SDL_Window* window, const std::string& title)
{
#if defined(SDL_VIDEO_DRIVER_X11)
    const auto x11 = x11Window(window);
    if (!x11)
        return false;
    setUtf8Property(x11->display, x11->window, "_NET_WM_NAME", title);
    setUtf8Property(x11->display, x11->window, "_NET_WM_ICON_NAME", title);
    setLegacyName(x11->display, x11->window, title);
    XFlush(x11->display);
    return true;
#else
    (void)window;
    (void)title;
    return false;
#endif
}

std::optional<X11WindowFrame::Geometry> X11WindowFrame::geometry(SDL_Window* window)
{
#if defined(SDL_VIDEO_DRIVER_X11)
    const auto x11 = x11Window(window);
    if (!x11)
        return std::nullopt;
    Display* display = x11->display;
    XSync(display, False);
    // The frame is the ancestor that is a child of the root: the window itself when no window
    // manager has reparented it.
    Window frame = x11->window;
    Window root = 0;
    for (;;) {
        Window parent = 0;
        Window* children = nullptr;
        unsigned int count = 0;
        if (!XQueryTree(display, frame, &root, &parent, &children, &count))
            return std::nullopt;
        const std::unique_ptr<Window, XFreeDeleter> release(children);
        if (parent == root || parent == 0)
            break;
        frame = parent;
    }
    const auto rectangle = [display, root](Window w) -> std::optional<PixelRect> {
        Window ignored = 0;
        int x = 0, y = 0;
        unsigned int width = 0, height = 0, border = 0, depth = 0;
        if (!XGetGeometry(display, w, &ignored, &x, &y, &width, &height, &border, &depth))
            return std::nullopt;
        int rootX = 0, rootY = 0;
        if (!XTranslateCoordinates(display, w, root, 0, 0, &rootX, &rootY, &ignored))
            return std::nullopt;
        // Coordinates are those of the inside of the X border; the border belongs to the frame.
        const int b = static_cast<int>(border);
        return PixelRect { rootX - b, rootY - b, static_cast<int>(width) + 2 * b, static_cast<int>(height) + 2 * b };
    };
    const auto outer = rectangle(frame);
    Window ignored = 0;
    int x = 0, y = 0;
    unsigned int width = 0, height = 0, border = 0, depth = 0;
    int rootX = 0, rootY = 0;
    if (!outer || !XGetGeometry(display, x11->window, &ignored, &x, &y, &width, &height, &border, &depth)
        || !XTranslateCoordinates(display, x11->window, root, 0, 0, &rootX, &rootY, &ignored))
        return std::nullopt;
    return Geometry { { rootX, rootY, static_cast<int>(width), static_cast<int>(height) }, *outer };
#else
    (void)window;
    return std::nullopt;
#endif
}

#if defined(SDL_VIDEO_DRIVER_X11)
namespace {

XErrorHandler& handlerBefore()
{
    static XErrorHandler before = nullptr;
    return before;
}

// SDL wakes its waiting event loop by sending the window an event on a second connection to the
// server. One sent as the window closes may reach the server after the window is gone; Xlib's
// default handler would end the program for it, and the exit status would say the host failed
// when nothing did.
int passEventsToClosedWindows(Display* display, XErrorEvent* error)
{
    if (error && error->error_code == BadWindow && error->request_code == X_SendEvent)
        return 0;
    const XErrorHandler before = handlerBefore();
    return before ? before(display, error) : 0;
}

} // namespace
#endif

void X11WindowFrame::tolerateEventsToClosedWindows()
{
#if defined(SDL_VIDEO_DRIVER_X11)
    const XErrorHandler current = XSetErrorHandler(passEventsToClosedWindows);
    if (current != passEventsToClosedWindows)
        handlerBefore() = current;
#endif
}
