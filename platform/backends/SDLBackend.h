#pragma once
// A real window showing the main screen at its pixel size, with the mouse or a finger as the one
// touch and the real clock driving the run loop. SDL stays inside the implementation.
#include <functional>
#include <memory>
#include <string>

class SDLBackend {
public:
    SDLBackend();
    ~SDLBackend();
    SDLBackend(const SDLBackend&) = delete;
    SDLBackend& operator=(const SDLBackend&) = delete;

    // Opens the window titled "Glyphward" at the main screen's pixel size; false (see lastError())
    // when there is no display or the window cannot be made.
    bool open();
    // Runs until the window is closed or quit() is called: input, due work on the real clock,
    // and a redraw only when something changed. Answers the exit status (0).
    int run();
    // Ends run() after the current turn.
    void quit();
    const std::string& lastError() const { return error_; }

    // Minimising the window or the key B; restoring it or the key F; closing the window.
    // Background and foreground alternate: a second B without an F in between is not reported.
    std::function<void()> onBackground;
    std::function<void()> onForeground;
    std::function<void()> onQuit;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
    std::string error_;
};
