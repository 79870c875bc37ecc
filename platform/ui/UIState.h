#pragma once
// What the ui layer keeps for one toolkit: the main screen, the application, the windows, the
// animations, the keyboard shown, the finger on the screen, and the mark that something on
// screen changed since the last frame.
#include "platform/ui/WindowList.h"

#include <memory>

class UIApplication;
class UIKeyboardImpl;
class UIScreen;
class UITouchInjector;
class UIViewAnimator;

class UIState {
public:
    UIState();
    ~UIState();
    UIState(const UIState&) = delete;
    UIState& operator=(const UIState&) = delete;

    // The state of the toolkit alive now; with none alive it says so on stderr and aborts.
    static UIState& current();
    // Makes this state the one in force (null: none) and answers the one it replaces.
    static UIState* makeCurrent(UIState* state);

    std::shared_ptr<UIScreen>& mainScreen() { return mainScreen_; }
    const std::shared_ptr<UIApplication>& application() const { return application_; }
    WindowList& windows() { return windows_; }
    UIViewAnimator& animator() { return *animator_; }
    std::shared_ptr<UIKeyboardImpl>& keyboard() { return keyboard_; }
    UITouchInjector& touchInjector() { return *touchInjector_; }
    bool& displayChangesPending() { return displayChangesPending_; }

    // Lets go of what the toolkit's users left here, front to back: the touch, the keyboard, the
    // animations, the application's delegate, the windows. Their views go while every layer is
    // still alive, for their last words may reach any of them.
    void dropContents();

private:
    std::shared_ptr<UIScreen> mainScreen_;
    std::shared_ptr<UIApplication> application_;
    WindowList windows_;
    std::shared_ptr<UIViewAnimator> animator_;
    std::shared_ptr<UIKeyboardImpl> keyboard_;
    std::shared_ptr<UITouchInjector> touchInjector_;
    // Set from the start: the first frame has everything to show.
    bool displayChangesPending_ = true;
};
