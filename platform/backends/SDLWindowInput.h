#pragma once
// Turns the desktop window's events into the host's input: the mouse or one finger as the touch,
// typed text and editing keys to the focused text field, and the keys that type nothing as
// commands for the window. Internal to the SDL backend.
#include "platform/graphics/CGGeometry.h"
#include "platform/graphics/FrameBuffer.h"
#include "platform/ui/UIKeyPress.h"

#include <cstdint>
#include <memory>
#include <optional>

class SDLScreenWindow;
class WindowInputRecorder;
union SDL_Event;
struct SDL_KeyboardEvent;
struct SDL_TouchFingerEvent;

class SDLWindowInput {
public:
    enum class Command { None, Background, Foreground, ToggleHelp, Escape, Redraw, Quit };

    explicit SDLWindowInput(const SDLScreenWindow& window) : window_(window) { }

    // Handles one event and answers what the window has to do about it.
    Command handle(const SDL_Event& event);
    // Ends the touch in progress, if any, with a cancel.
    void cancelTouch();
    // Gives a pattern key to the key window; answers whether anything took it.
    bool pressPatternKey(const UIKeyPress& key);
    // Has the focused text field give up the keyboard; answers whether one did.
    bool dismissKeyboard();
    // Everything handed to the toolkit is also told to the recorder, when there is one.
    void setRecorder(std::shared_ptr<WindowInputRecorder> recorder) { recorder_ = std::move(recorder); }
    // In the background the host takes no touches and no keys but the ones that bring it back.
    void setInBackground(bool inBackground);
    // Starts SDL's text input while a text field of the key window has focus, stops it otherwise,
    // and tells an input method where the field is.
    void followFocus();
    // Whether the mouse or a finger is down on the picture as a touch.
    bool isTouching() const { return owner_ != TouchOwner::None; }

    // The pattern key this press names, if any (modifier chords name none).
    static std::optional<UIKeyPress> patternKey(const SDL_KeyboardEvent& event);

private:
    enum class TouchOwner { None, Mouse, Finger };

    Command windowEvent(std::uint8_t event);
    Command key(const SDL_KeyboardEvent& event);
    void touchDown(TouchOwner owner, std::int64_t finger, CGPoint point);
    void touchMove(CGPoint point);
    void touchUp(CGPoint point);
    CGPoint fingerPoint(const SDL_TouchFingerEvent& event) const;

    const SDLScreenWindow& window_;
    std::shared_ptr<WindowInputRecorder> recorder_;
    TouchOwner owner_ = TouchOwner::None;
    std::int64_t finger_ = 0;
    CGPoint lastPoint_ {};
    bool inBackground_ = false;
    bool minimised_ = false;
    bool textInput_ = false;
    PixelRect textRect_;
};
