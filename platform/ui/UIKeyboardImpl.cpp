#include "platform/ui/UIKeyboardImpl.h"

#include "platform/foundation/NSNotificationCenter.h"
#include "platform/graphics/UIColor.h"
#include "platform/runtime/RuntimeThunks.h"
#include "platform/ui/UIScreen.h"
#include "platform/ui/UIWindow.h"

namespace {

const ClassRegistration registration = ClassRegistration("UIKeyboardImpl", "UIView")
                                           .method("dismissKeyboard", imp_implementationWithMember<&UIKeyboardImpl::dismissKeyboard>())
                                           .method("hideKeyboard", imp_implementationWithMember<&UIKeyboardImpl::hideKeyboard>());

std::shared_ptr<UIKeyboardImpl>& activeSlot()
{
    static std::shared_ptr<UIKeyboardImpl> keyboard;
    return keyboard;
}

constexpr int keyRows = 4;
constexpr int keysPerRow = 10;
constexpr CGFloat keyGap = 6;

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

void UIKeyboardImpl::buildKeys()
{
    CGFloat keyWidth = (bounds().size.width - keyGap * (keysPerRow + 1)) / keysPerRow;
    CGFloat keyHeight = (height - keyGap * (keyRows + 1)) / keyRows;
    for (int row = 0; row < keyRows; ++row) {
        // The last row is the space bar.
        int count = row == keyRows - 1 ? 1 : keysPerRow;
        for (int i = 0; i < count; ++i) {
            auto key = std::make_shared<UIView>();
            CGFloat x = keyGap + static_cast<CGFloat>(i) * (keyWidth + keyGap);
            CGFloat width = count == 1 ? bounds().size.width * 0.5f : keyWidth;
            if (count == 1)
                x = (bounds().size.width - width) / 2;
            key->initWithFrame({ { x, keyGap + static_cast<CGFloat>(row) * (keyHeight + keyGap) }, { width, keyHeight } });
            key->setBackgroundColor(UIColor::whiteColor());
            key->setUserInteractionEnabled(false);
            addSubview(key);
        }
    }
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
