#pragma once
#include "platform/graphics/CGGeometry.h"
#include "platform/ui/UIKeyPress.h"

// What the window hands the host, told as it is handed over, in toolkit terms: touches in screen
// points, pattern keys, the keyboard put away, trips to the background and back. A recording of
// the session listens here; the window reports to it and asks nothing of it.
class WindowInputRecorder {
public:
    virtual ~WindowInputRecorder() = default;

    // A touch began (only a down the toolkit took is reported), moved, lifted or was cancelled.
    virtual void touchDown(CGPoint point) = 0;
    virtual void touchMove(CGPoint point) = 0;
    virtual void touchUp() = 0;
    virtual void touchCancel() = 0;
    // A pattern key was given to the key window, whether or not anything took it.
    virtual void patternKey(const UIKeyPress& key) = 0;
    // The focused text field gave up the keyboard.
    virtual void keyboardDismissed() = 0;
    // The host is told it enters the background / is about to enter the foreground.
    virtual void background() = 0;
    virtual void foreground() = 0;
};
