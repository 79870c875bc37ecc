#pragma once
// Sleeps on the X display's connection until it has something to say, for a loop that then
// takes what it said from SDL with one pump. SDL's own wait reads the connection again and
// again on every wake (each pump ends in reads that find nothing), which on a finger drag costs
// more than drawing the frame. Does nothing for a window that is not on X11: the loop then
// waits through SDL. Internal to the SDL backend.
struct SDL_Window;

class X11EventWait {
public:
    // Waits on the display of the window's connection; unavailable when it is not on X11.
    explicit X11EventWait(SDL_Window* window);

    // True when wait() sleeps on the display itself.
    bool available() const { return display_ != nullptr; }
    // Sends what is queued for the display, then sleeps until it has sent something, a signal
    // came, or the milliseconds passed; returns at once when events are already waiting.
    void wait(int milliseconds) const;
    // Sends what is queued for the display, then sleeps the milliseconds (or until a signal)
    // without looking at it: what it sends meanwhile waits in the connection for the next pump.
    void sleep(int milliseconds) const;

private:
    void* display_ = nullptr;
    int connection_ = -1;
};
