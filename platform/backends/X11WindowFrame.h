#pragma once
// What SDL does not do for a window on an X display: a title every window manager shows right
// (_NET_WM_NAME as UTF-8 for the modern ones, WM_NAME in the text encodings of the ICCCM for the
// others), and where the window manager's frame really is, read from the window tree, so the
// whole window can be fitted on the display even under one that says nothing of its borders.
// Answers nothing (and does nothing) for a window that is not on X11. Internal to the SDL backend.
#include "platform/backends/WindowFit.h"
#include "platform/graphics/FrameBuffer.h"

#include <optional>
#include <string>

struct SDL_Window;

class X11WindowFrame {
public:
    // The window's inner area and its frame's outer rectangle, in display coordinates.
    struct Geometry {
        PixelRect inner;
        PixelRect outer;
        WindowBorders borders() const;
    };

    // Sets the window's title (UTF-8) and its icon's; false when the window is not on X11.
    static bool setTitle(SDL_Window* window, const std::string& title);
    // Where the window and its frame are now; nothing when the window is not on X11.
    static std::optional<Geometry> geometry(SDL_Window* window);
    // Lets an event sent to a window that has gone meanwhile pass; every other X error is handled
    // as before. Called before SDL's video starts, so that SDL's own handler passes errors on to
    // it and puts it back when the video ends.
    static void tolerateEventsToClosedWindows();
};
