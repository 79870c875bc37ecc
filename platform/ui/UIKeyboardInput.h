#pragma once
#include "platform/graphics/CGGeometry.h"
#include "platform/ui/UIKeyPress.h"

#include <memory>
#include <optional>
#include <string>

class UIResponder;

// Keys from a hardware keyboard. They go to the key window's first responder when it takes text,
// and to nothing else: while another window is key, a text field behind it hears nothing.
class UIKeyboardInput {
public:
    // The key window's first responder, when it takes text; null otherwise.
    static std::shared_ptr<UIResponder> focusedResponder();
    // The focused responder's frame in screen points (where an input method shows its candidates).
    static std::optional<CGRect> focusedRect();

    // Each answers whether a responder took the key.
    static bool insertText(const std::string& text);
    static bool deleteBackward();
    static bool pressReturn() { return insertText("\n"); }
    // Gives a pattern key to the first view of the key window, front to back, that takes keys and
    // would take a touch now; answers whether one did something with it.
    static bool pressKey(const UIKeyPress& key);
    // Puts the keyboard away: the focused responder resigns.
    static bool dismiss();
};
