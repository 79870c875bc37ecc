#pragma once
#include "platform/graphics/CGGeometry.h"
#include "platform/ui/UIViewController.h"

#include <memory>

class NSNotification;
class UILabel;
class UITextField;

// The demo host's one screen: a title bar, a list of conversations and a message field at the
// bottom. A tap on the field brings up the keyboard and the field rides above it; Return sends
// the text as the top conversation's last message; a tap anywhere else puts the keyboard away.
class ChatListViewController final : public UIViewController {
public:
    GLYPHWARD_RUNTIME_CLASS(ChatListViewController, UIViewController);

    void loadView() override;
    void viewDidLoad() override;

    // The message field along the bottom; null until the view is loaded.
    const std::shared_ptr<UITextField>& messageField() const { return messageField_; }

    // The field's delegate: sends what it holds (when it holds more than spaces) and clears it.
    BOOL textFieldShouldReturn(UITextField* field);
    void keyboardWillShow(NSNotification* notification);
    void keyboardWillHide(NSNotification* notification);

    void touchesBegan(const UITouchSet& touches, UIEvent* event) override;

private:
    void placeInputBar(CGFloat bottom);

    std::shared_ptr<UIView> inputBar_;
    std::shared_ptr<UITextField> messageField_;
    std::shared_ptr<UILabel> topChatMessage_;
};
