#include "platform/backends/X11EventWait.h"

#include <SDL.h>
#include <SDL_syswm.h>

#if defined(SDL_VIDEO_DRIVER_X11)
#include <X11/Xlib.h>
#endif

#include <poll.h>

X11EventWait::X11EventWait(SDL_Window* window)
{
#if defined(SDL_VIDEO_DRIVER_X11)
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (window && SDL_GetWindowWMInfo(window, &info) && info.subsystem == SDL_SYSWM_X11 && info.info.x11.display) {
        display_ = info.info.x11.display;
        connection_ = ConnectionNumber(info.info.x11.display);
    }
#else
    (void)window;
#endif
}

void X11EventWait::wait(int milliseconds) const
{
#if defined(SDL_VIDEO_DRIVER_X11)
    if (!display_ || connection_ < 0)
        return;
    // Flushing may read events that arrived meanwhile into Xlib's queue, where poll() cannot
    // see them: they are asked for once here, after the flush.
    if (XEventsQueued(static_cast<Display*>(display_), QueuedAfterFlush) > 0 || milliseconds <= 0)
        return;
    pollfd connection { connection_, POLLIN, 0 };
    // A signal ends the sleep early (EINTR): the pump that follows turns it into SDL's quit.
    poll(&connection, 1, milliseconds);
#else
    (void)milliseconds;
#endif
}

void X11EventWait::sleep(int milliseconds) const
{
#if defined(SDL_VIDEO_DRIVER_X11)
    if (display_)
        XFlush(static_cast<Display*>(display_));
#endif
    if (milliseconds > 0)
        poll(nullptr, 0, milliseconds);
}
