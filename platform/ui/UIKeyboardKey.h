#pragma once
#include "platform/ui/UIControl.h"

#include <memory>
#include <string>

class UILabel;

// One key of the on-screen keyboard: a rounded-off white cap with its letter, grey while pressed.
// A tap sends its action (the keyboard's `keyTapped:`) with the key as the sender.
class UIKeyboardKey final : public UIControl {
public:
    // What a tap on the key does to the text field.
    enum class Kind { Text, Delete, Return };

    GLYPHWARD_RUNTIME_CLASS(UIKeyboardKey, UIControl);

    // A key showing `caption` that types `text` (for Kind::Text), deletes or returns.
    void initKey(CGRect frame, Kind kind, std::string caption, std::string text);

    Kind kind() const { return kind_; }
    const std::string& text() const { return text_; }
    const std::string& caption() const { return caption_; }

    void setHighlighted(bool highlighted) override;

private:
    Kind kind_ = Kind::Text;
    std::string caption_;
    std::string text_;
    std::shared_ptr<UILabel> label_;
};
