#include "platform/ui/UIKeyboardImpl.h"

#include "platform/foundation/NSNotificationCenter.h"
#include "platform/graphics/UIColor.h"
#include "platform/runtime/RuntimeThunks.h"
#include "platform/ui/UIKeyInput.h"
#include "platform/ui/UIScreen.h"
#include "platform/ui/UIState.h"
#include "platform/ui/UIWindow.h"

namespace {

const ClassRegistration registration = ClassRegistration::of<UIKeyboardImpl>()
                                           .method("dismissKeyboard", imp_implementationWithMember<&UIKeyboardImpl::dismissKeyboard>())
                                           .method("hideKeyboard", imp_implementationWithMember<&UIKeyboardImpl::hideKeyboard>())
                                           .method("keyTapped:", imp_implementationWithMember<&UIKeyboardImpl::keyTapped>());

std::shared_ptr<UIKeyboardImpl>& activeSlot() { return UIState::current().keyboard(); }

constexpr int keyRows = 4;
constexpr int keysPerRow = 10;
constexpr CGFloat keyGap = 6;
constexpr const char* letterRows[] = { "qwertyuiop", "asdfghjkl", "zxcvbnm" };

} // namespace

std::shared_ptr<UIKeyboardImpl> UIKeyboardImpl::activeInstance() { return activeSlot(); }

std::shared_ptr<UIKeyboardImpl> UIKeyboardImpl::showForResponder(const std::shared_ptr<UIResponder>& responder)
{
    auto& slot = activeSlot();
    if (slot && slot->responder() == responder)
        return slot;
    if (slot)
        slot->dismissKeyboard();

    // The keyboard lies along the bottom of the responder's window, else of the key window.
    auto view = std::dynamic_pointer_cast<UIView>(responder);
    auto window = view ? view->window() : nullptr;
    if (!window)
        window = UIWindow::keyWindow();
    CGRect area = window ? window->bounds() : (UIScreen::mainScreen() ? UIScreen::mainScreen()->bounds() : CGRectZero);

    auto keyboard = std::make_shared<UIKeyboardImpl>();
    keyboard->initWithFrame({ { area.origin.x, area.origin.y + area.size.height - height }, { area.size.width, height } });
    keyboard->setBackgroundColor(UIColor::colorWithWhite(0.82f, 1.0f));
    keyboard->responder_ = responder;
    keyboard->buildKeys();
    if (window)
        window->addSubview(keyboard);
    slot = keyboard;
    NSNotificationCenter::defaultCenter().postNotificationName(willShowNotification, keyboard.get());
    return keyboard;
}

// Three rows of letters, each centred, Delete at the end of the third; the space bar in the middle
// of the last row and Return at its end.
void UIKeyboardImpl::buildKeys()
{
    const CGFloat width = bounds().size.width;
    const CGFloat keyWidth = (width - keyGap * (keysPerRow + 1)) / keysPerRow;
    const CGFloat keyHeight = (height - keyGap * (keyRows + 1)) / keyRows;
    const auto top = [keyHeight](int row) { return keyGap + static_cast<CGFloat>(row) * (keyHeight + keyGap); };
    for (int row = 0; row < 3; ++row) {
        const std::string letters = letterRows[row];
        const auto count = static_cast<CGFloat>(letters.size());
        const CGFloat left = (width - count * keyWidth - (count - 1) * keyGap) / 2;
        for (std::size_t i = 0; i < letters.size(); ++i) {
            const std::string letter(1, letters[i]);
            addKey({ { left + static_cast<CGFloat>(i) * (keyWidth + keyGap), top(row) }, { keyWidth, keyHeight } },
                UIKeyboardKey::Kind::Text, letter, letter);
        }
    }
    const CGFloat wide = keyWidth * 1.5f;
    addKey({ { width - keyGap - wide, top(2) }, { wide, keyHeight } }, UIKeyboardKey::Kind::Delete, "\u232B", "");
    addKey({ { width * 0.25f, top(3) }, { width * 0.5f, keyHeight } }, UIKeyboardKey::Kind::Text, "space", " ");
    const CGFloat returnWidth = width * 0.25f - 2 * keyGap;
    addKey({ { width - keyGap - returnWidth, top(3) }, { returnWidth, keyHeight } }, UIKeyboardKey::Kind::Return,
        "return", "\n");
}

void UIKeyboardImpl::addKey(CGRect frame, UIKeyboardKey::Kind kind, const std::string& caption, const std::string& text)
{
    auto key = alloc<UIKeyboardKey>();
    key->initKey(frame, kind, caption, text);
    key->addTarget(shared_from_this(), sel("keyTapped:"), UIControlEventTouchUpInside);
    addSubview(key);
    keys_.push_back(key);
}

void UIKeyboardImpl::keyTapped(NSObject* sender)
{
    const auto* key = dynamic_cast<UIKeyboardKey*>(sender);
    auto* input = dynamic_cast<UIKeyInput*>(responder().get());
    if (!key || !input || activeSlot().get() != this)
        return;
    if (key->kind() == UIKeyboardKey::Kind::Delete)
        input->deleteBackward();
    else
        input->insertText(key->text());
}

void UIKeyboardImpl::dismissKeyboard()
{
    auto& slot = activeSlot();
    if (slot.get() != this)
        return;
    auto keep = slot;
    slot.reset();
    removeFromSuperview();
    if (auto responder = responder_.lock()) {
        responder_.reset();
        responder->resignFirstResponder();
    }
    NSNotificationCenter::defaultCenter().postNotificationName(willHideNotification, this);
}

void UIKeyboardImpl::hideKeyboard() { dismissKeyboard(); }
