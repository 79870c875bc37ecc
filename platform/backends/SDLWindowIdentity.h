#pragma once
// What names the desktop window to the desktop: the class that ties it to the menu entry
// (StartupWMClass on X11, the application id on Wayland) and the icon it shows. Internal to the
// SDL backend; SDL's types stay declared, not included.

struct SDL_Window;

class SDLWindowIdentity {
public:
    // The window class of the menu entry, and its desktop file's id.
    static constexpr const char* windowClass = "glyphward-host";
    static constexpr const char* applicationId = "org.glyphward.Glyphward";

    // Before SDL's video starts, which reads the class from the environment once; a class the
    // user set there stays.
    static void nameClass();
    // Gives the window the application icon; without one the window shows the window manager's.
    static void setIcon(SDL_Window* window);
};
