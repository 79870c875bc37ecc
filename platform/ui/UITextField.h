#pragma once
#include "platform/ui/UIControl.h"

#include <memory>
#include <optional>
#include <string>

class UILabel;

// A one-line text field: a tap makes it first responder, which brings up the keyboard.
class UITextField : public UIControl {
public:
    const char* className() const override { return "UITextField"; }

    UIView* initWithFrame(CGRect frame) override;

    const std::optional<std::string>& text() const { return text_; }
    void setText(std::optional<std::string> text);
    const std::optional<std::string>& placeholder() const { return placeholder_; }
    void setPlaceholder(std::optional<std::string> placeholder);

    bool canBecomeFirstResponder() const override { return true; }
    // Brings up the keyboard; answers true.
    bool becomeFirstResponder() override;
    // Puts the keyboard away if it serves this field; answers true.
    bool resignFirstResponder() override;
    bool isFirstResponder() const override { return firstResponder_; }

    void touchesEnded(const UITouchSet& touches, UIEvent* event) override;
    void layoutSubviews() override;

private:
    void updateLabel();

    std::optional<std::string> text_;
    std::optional<std::string> placeholder_;
    std::shared_ptr<UILabel> label_;
    bool firstResponder_ = false;
};
