#pragma once
#include "platform/ui/UIViewController.h"

#include <memory>

class UITextField;

// The demo host's one screen: a title bar, a list of conversations and a message field at the
// bottom that brings up the keyboard.
class ChatListViewController final : public UIViewController {
public:
    const char* className() const override { return "ChatListViewController"; }

    void loadView() override;

    // The message field along the bottom; null until the view is loaded.
    const std::shared_ptr<UITextField>& messageField() const { return messageField_; }

private:
    std::shared_ptr<UITextField> messageField_;
};
