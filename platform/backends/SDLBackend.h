#pragma once
// A real window showing the main screen, fitted to the display (or at a zoom asked for), with the
// mouse or a finger as the one touch, typed text for the focused text field, and the real clock
// driving the run loop. SDL stays inside the implementation.
#include "platform/foundation/Result.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

class WindowInputRecorder;

class SDLBackend {
public:
    SDLBackend();
    ~SDLBackend();
    SDLBackend(const SDLBackend&) = delete;
    SDLBackend& operator=(const SDLBackend&) = delete;

    // Window pixels per frame-buffer pixel; unset, the window fits the display's usable area and
    // never grows past the frame's size. Takes effect at open().
    void setZoom(std::optional<double> zoom) { zoom_ = zoom; }
    // Opens the window for the main screen, titled with the keys it understands; fails when
    // there is no display or the window cannot be made.
    Result<void> open();
    // Runs until the window is closed or quit() is called: input, due work on the real clock,
    // and a redraw only when something changed. Answers the exit status (0).
    int run();
    // Ends run() after the current turn.
    void quit();
    // Tells the recorder everything the window hands the host from now on (null: nothing).
    void setRecorder(std::shared_ptr<WindowInputRecorder> recorder);

    // Minimising the window, F9 or Ctrl+B; restoring it, F10 or Ctrl+F; closing the window.
    // Background and foreground alternate: a second background without a foreground in between
    // is not reported.
    std::function<void()> onBackground;
    std::function<void()> onForeground;
    std::function<void()> onQuit;
    // A line for the user when the window cannot be as asked for (a zoom the display cannot hold).
    std::function<void(const std::string&)> onNotice;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
    std::optional<double> zoom_;
    std::shared_ptr<WindowInputRecorder> recorder_;
};
