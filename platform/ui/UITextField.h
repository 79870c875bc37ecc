#pragma once
#include "platform/ui/UIControl.h"
#include "platform/ui/UIKeyInput.h"

#include <memory>
#include <optional>
#include <string>

class UILabel;

// A one-line text field: a tap makes it first responder, which brings up the keyboard and shows
// a caret after the text. Typed text is added at the end; Return asks the delegate's
// `textFieldShouldReturn:` (sent through the runtime) and changes nothing itself.
class UITextField : public UIControl, public UIKeyInput {
public:
    GLYPHWARD_RUNTIME_CLASS(UITextField, UIControl);

    UIView* initWithFrame(CGRect frame) override;

    const std::optional<std::string>& text() const { return text_; }
    void setText(std::optional<std::string> text);
    const std::optional<std::string>& placeholder() const { return placeholder_; }
    void setPlaceholder(std::optional<std::string> placeholder);
    // Watched, not owned.
    std::shared_ptr<NSObject> delegate() const { return delegate_.lock(); }
    void setDelegate(const std::shared_ptr<NSObject>& delegate) { delegate_ = delegate; }

    bool canBecomeFirstResponder() const override { return true; }
    // Brings up the keyboard and the caret; answers true.
    bool becomeFirstResponder() override;
    // Puts the keyboard away if it serves this field; answers true.
    bool resignFirstResponder() override;
    bool isFirstResponder() const override { return firstResponder_; }

    bool hasText() const override { return text_ && !text_->empty(); }
    // Control characters and bytes that are not UTF-8 are dropped; each newline is a Return.
    void insertText(const std::string& text) override;
    // Removes the last character, all bytes of it.
    void deleteBackward() override;
    // The caret: a thin bar after the text, shown only while the field is first responder.
    const std::shared_ptr<UIView>& caret() const { return caret_; }

    void touchesEnded(const UITouchSet& touches, UIEvent* event) override;
    void layoutSubviews() override;

private:
    void updateLabel();
    void updateCaret();
    void pressReturn();

    std::optional<std::string> text_;
    std::optional<std::string> placeholder_;
    std::shared_ptr<UILabel> label_;
    std::shared_ptr<UIView> caret_;
    std::weak_ptr<NSObject> delegate_;
    bool firstResponder_ = false;
};
