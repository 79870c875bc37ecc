#pragma once
#include "platform/ui/UIKeyboardKey.h"
#include "platform/ui/UIView.h"

#include <memory>
#include <vector>


// The on-screen keyboard: a 216-point panel along the bottom of the window of the text field it
// serves, with a phone's letter keys, a space bar, Delete and Return; a tap on a key types into
// that field as the hardware keyboard does. At most one is up at a time. Coming up and going away are posted as notifications
// whose object is the keyboard, so the window's content can make room for it.
class UIKeyboardImpl final : public UIView {
public:
    static constexpr CGFloat height = 216;
    static constexpr const char* willShowNotification = "UIKeyboardWillShowNotification";
    static constexpr const char* willHideNotification = "UIKeyboardWillHideNotification";

    GLYPHWARD_RUNTIME_CLASS(UIKeyboardImpl, UIView);

    // The keyboard that is up, or null while none is.
    static std::shared_ptr<UIKeyboardImpl> activeInstance();
    // Brings the keyboard up for the responder (replacing one that serves another) and answers it.
    static std::shared_ptr<UIKeyboardImpl> showForResponder(const std::shared_ptr<UIResponder>& responder);

    // Puts the keyboard away: it leaves the screen, activeInstance becomes null and the responder
    // it served resigns. Nothing when this keyboard is not up.
    void dismissKeyboard();
    void hideKeyboard();

    std::shared_ptr<UIResponder> responder() const { return responder_.lock(); }
    // The keys, row by row, left to right.
    const std::vector<std::shared_ptr<UIKeyboardKey>>& keys() const { return keys_; }
    // The action of every key: types its letter into the responder, deletes or returns.
    void keyTapped(NSObject* sender);

private:
    void buildKeys();
    void addKey(CGRect frame, UIKeyboardKey::Kind kind, const std::string& caption, const std::string& text);

    std::vector<std::shared_ptr<UIKeyboardKey>> keys_;

    std::weak_ptr<UIResponder> responder_;
};
