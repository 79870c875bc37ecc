#pragma once
#include <string>

// What a responder that takes typed text answers: the way in for a hardware keyboard.
class UIKeyInput {
public:
    virtual ~UIKeyInput() = default;

    virtual bool hasText() const = 0;
    // Adds the text at the caret; "\n" is the Return key.
    virtual void insertText(const std::string& text) = 0;
    // Deletes the character before the caret.
    virtual void deleteBackward() = 0;
};
