#pragma once
#include "platform/ui/UIKeyPress.h"

// What a view answers that takes pattern keys; it hears them while its window is key and it
// would take a touch (shown, opaque enough, its whole chain interactive).
class UIKeyPressTarget {
public:
    virtual ~UIKeyPressTarget() = default;

    // Handles the key; answers whether it did anything with it.
    virtual bool pressKey(const UIKeyPress& key) = 0;
};
