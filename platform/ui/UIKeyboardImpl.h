#pragma once
#include "platform/ui/UIView.h"

#include <memory>

// The on-screen keyboard: a 216-point panel along the bottom of the window of the text field it
// serves. At most one is up at a time. Coming up and going away are posted as notifications
// whose object is the keyboard, so the window's content can make room for it.
class UIKeyboardImpl final : public UIView {
public:
    static constexpr CGFloat height = 216;
    static constexpr const char* willShowNotification = "UIKeyboardWillShowNotification";
    static constexpr const char* willHideNotification = "UIKeyboardWillHideNotification";

    const char* className() const override { return "UIKeyboardImpl"; }

    // The keyboard that is up, or null while none is.
    static std::shared_ptr<UIKeyboardImpl> activeInstance();
    // Brings the keyboard up for the responder (replacing one that serves another) and answers it.
    static std::shared_ptr<UIKeyboardImpl> showForResponder(const std::shared_ptr<UIResponder>& responder);

    // Puts the keyboard away: it leaves the screen, activeInstance becomes null and the responder
    // it served resigns. Nothing when this keyboard is not up.
    void dismissKeyboard();
    void hideKeyboard();

    std::shared_ptr<UIResponder> responder() const { return responder_.lock(); }

private:
    void buildKeys();

    std::weak_ptr<UIResponder> responder_;
};
