#include "platform/backends/SDLWindowInput.h"

#include "platform/backends/SDLScreenWindow.h"
#include "platform/backends/WindowInputRecorder.h"
#include "platform/ui/UIKeyboardInput.h"
#include "platform/ui/UITouchInjector.h"

#include <SDL.h>

#include <optional>

using Command = SDLWindowInput::Command;

Command SDLWindowInput::handle(const SDL_Event& event)
{
    switch (event.type) {
    case SDL_QUIT:
        return Command::Quit;
    case SDL_WINDOWEVENT:
        return windowEvent(event.window.event);
    case SDL_KEYDOWN:
        return key(event.key);
    case SDL_TEXTINPUT:
        if (!inBackground_)
            UIKeyboardInput::insertText(event.text.text);
        return Command::None;
    case SDL_MOUSEBUTTONDOWN:
        if (event.button.which != SDL_TOUCH_MOUSEID && event.button.button == SDL_BUTTON_LEFT && window_.isOnPicture(event.button.x, event.button.y))
            touchDown(TouchOwner::Mouse, 0, window_.toPoints(event.button.x, event.button.y));
        return Command::None;
    case SDL_MOUSEMOTION:
        if (event.motion.which != SDL_TOUCH_MOUSEID && owner_ == TouchOwner::Mouse)
            touchMove(window_.toPoints(event.motion.x, event.motion.y));
        return Command::None;
    case SDL_MOUSEBUTTONUP:
        if (event.button.which != SDL_TOUCH_MOUSEID && event.button.button == SDL_BUTTON_LEFT && owner_ == TouchOwner::Mouse)
            touchUp(window_.toPoints(event.button.x, event.button.y));
        return Command::None;
    case SDL_FINGERDOWN:
        touchDown(TouchOwner::Finger, event.tfinger.fingerId, fingerPoint(event.tfinger));
        return Command::None;
    case SDL_FINGERMOTION:
        if (owner_ == TouchOwner::Finger && event.tfinger.fingerId == finger_)
            touchMove(fingerPoint(event.tfinger));
        return Command::None;
    case SDL_FINGERUP:
        if (owner_ == TouchOwner::Finger && event.tfinger.fingerId == finger_)
            touchUp(fingerPoint(event.tfinger));
        return Command::None;
    default:
        return Command::None;
    }
}

Command SDLWindowInput::windowEvent(std::uint8_t event)
{
    switch (event) {
    case SDL_WINDOWEVENT_CLOSE:
        return Command::Quit;
    case SDL_WINDOWEVENT_MINIMIZED:
        minimised_ = true;
        return Command::Background;
    case SDL_WINDOWEVENT_RESTORED:
    case SDL_WINDOWEVENT_MAXIMIZED:
        // Only a way back from minimised is a return; un-maximising is not.
        if (!minimised_)
            return Command::Redraw;
        minimised_ = false;
        return Command::Foreground;
    case SDL_WINDOWEVENT_FOCUS_LOST:
        cancelTouch();
        return Command::None;
    case SDL_WINDOWEVENT_EXPOSED:
    case SDL_WINDOWEVENT_SHOWN:
    case SDL_WINDOWEVENT_SIZE_CHANGED:
        return Command::Redraw;
    default:
        return Command::None;
    }
}

// Keys that type nothing are commands; letters are left to the text input, which sends them on
// as text to the focused field.
Command SDLWindowInput::key(const SDL_KeyboardEvent& event)
{
    const SDL_Keycode sym = event.keysym.sym;
    const bool control = (event.keysym.mod & KMOD_CTRL) && !(event.keysym.mod & KMOD_ALT);
    const bool repeat = event.repeat != 0;
    if (sym == SDLK_F9 || (control && sym == SDLK_b))
        return repeat ? Command::None : Command::Background;
    if (sym == SDLK_F10 || (control && sym == SDLK_f))
        return repeat ? Command::None : Command::Foreground;
    if (sym == SDLK_F1)
        return repeat ? Command::None : Command::ToggleHelp;
    if (sym == SDLK_ESCAPE)
        return repeat ? Command::None : Command::Escape;
    if (inBackground_)
        return Command::None;
    if (UIKeyboardInput::focusedResponder()) {
        if (sym == SDLK_BACKSPACE)
            UIKeyboardInput::deleteBackward();
        else if ((sym == SDLK_RETURN || sym == SDLK_KP_ENTER) && !repeat)
            UIKeyboardInput::pressReturn();
        return Command::None;
    }
    if (const auto press = patternKey(event); press && !repeat)
        return pressPatternKey(*press) ? Command::Redraw : Command::None;
    const bool question = sym == SDLK_QUESTION || (sym == SDLK_SLASH && (event.keysym.mod & KMOD_SHIFT));
    return question && !repeat ? Command::ToggleHelp : Command::None;
}

// Digits on the top row or the keypad name nodes; Enter or Space lifts the finger, Backspace
// drops the pattern (Escape does too, once the help is closed: the backend decides that).
std::optional<UIKeyPress> SDLWindowInput::patternKey(const SDL_KeyboardEvent& event)
{
    if (event.keysym.mod & (KMOD_CTRL | KMOD_ALT | KMOD_GUI))
        return std::nullopt;
    const SDL_Keycode sym = event.keysym.sym;
    if (sym >= SDLK_1 && sym <= SDLK_9)
        return UIKeyPress::digitKey(static_cast<int>(sym - SDLK_1) + 1);
    if (sym >= SDLK_KP_1 && sym <= SDLK_KP_9)
        return UIKeyPress::digitKey(static_cast<int>(sym - SDLK_KP_1) + 1);
    if (sym == SDLK_RETURN || sym == SDLK_KP_ENTER || sym == SDLK_SPACE)
        return UIKeyPress::enter();
    if (sym == SDLK_BACKSPACE)
        return UIKeyPress::cancel();
    return std::nullopt;
}

void SDLWindowInput::touchDown(TouchOwner owner, std::int64_t finger, CGPoint point)
{
    // The injector decides whether a down begins the touch (not while one is in progress: the
    // first finger or the mouse keeps it until it lifts); here is only noted whose it is, so that
    // its moves and its lift are the ones passed on.
    if (inBackground_ || !UITouchInjector::shared().down(point))
        return;
    owner_ = owner;
    finger_ = finger;
    lastPoint_ = point;
    if (recorder_)
        recorder_->touchDown(point);
}

void SDLWindowInput::touchMove(CGPoint point)
{
    if (point == lastPoint_)
        return;
    lastPoint_ = point;
    if (recorder_)
        recorder_->touchMove(point);
    UITouchInjector::shared().move(point);
}

void SDLWindowInput::touchUp(CGPoint point)
{
    touchMove(point);
    if (recorder_)
        recorder_->touchUp();
    UITouchInjector::shared().up();
    owner_ = TouchOwner::None;
}

void SDLWindowInput::cancelTouch()
{
    if (owner_ != TouchOwner::None) {
        if (recorder_)
            recorder_->touchCancel();
        UITouchInjector::shared().cancel();
    }
    owner_ = TouchOwner::None;
}

bool SDLWindowInput::pressPatternKey(const UIKeyPress& key)
{
    if (recorder_)
        recorder_->patternKey(key);
    return UIKeyboardInput::pressKey(key);
}

bool SDLWindowInput::dismissKeyboard()
{
    if (!UIKeyboardInput::dismiss())
        return false;
    if (recorder_)
        recorder_->keyboardDismissed();
    return true;
}

CGPoint SDLWindowInput::fingerPoint(const SDL_TouchFingerEvent& event) const
{
    const WindowSize size = window_.size();
    return window_.toPoints(static_cast<double>(event.x) * size.width, static_cast<double>(event.y) * size.height);
}

void SDLWindowInput::setInBackground(bool inBackground)
{
    if (inBackground)
        cancelTouch();
    inBackground_ = inBackground;
}

void SDLWindowInput::followFocus()
{
    const std::optional<CGRect> rect = inBackground_ ? std::optional<CGRect>() : UIKeyboardInput::focusedRect();
    if (!rect) {
        if (textInput_)
            SDL_StopTextInput();
        textInput_ = false;
        return;
    }
    const PixelRect where = window_.toWindow(*rect);
    if (!textInput_ || !(where == textRect_)) {
        SDL_Rect r { where.x, where.y, where.width, where.height };
        SDL_SetTextInputRect(&r);
        textRect_ = where;
    }
    if (!textInput_)
        SDL_StartTextInput();
    textInput_ = true;
}
