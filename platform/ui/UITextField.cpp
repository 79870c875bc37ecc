#include "platform/ui/UITextField.h"

#include "platform/graphics/UIColor.h"
#include "platform/runtime/RuntimeThunks.h"
#include "platform/ui/UIKeyboardImpl.h"
#include "platform/ui/UILabel.h"
#include "platform/ui/UITouch.h"

namespace {
const ClassRegistration registration("UITextField", "UIControl");

// The text sits this far in from the left and right edges.
constexpr CGFloat textInset = 8;
} // namespace

UIView* UITextField::initWithFrame(CGRect frame)
{
    UIControl::initWithFrame(frame);
    // The text is shown by a label child, so the field draws like any label.
    label_ = std::make_shared<UILabel>();
    label_->initWithFrame(CGRectInset(bounds(), textInset, 0));
    addSubview(label_);
    updateLabel();
    return this;
}

void UITextField::setText(std::optional<std::string> text)
{
    text_ = std::move(text);
    updateLabel();
}

void UITextField::setPlaceholder(std::optional<std::string> placeholder)
{
    placeholder_ = std::move(placeholder);
    updateLabel();
}

void UITextField::updateLabel()
{
    if (!label_)
        return;
    bool empty = !text_ || text_->empty();
    label_->setText(empty ? placeholder_ : text_);
    label_->setTextColor(empty ? UIColor::grayColor() : UIColor::blackColor());
}

bool UITextField::becomeFirstResponder()
{
    if (firstResponder_)
        return true;
    auto self = std::dynamic_pointer_cast<UIResponder>(weak_from_this().lock());
    if (!self)
        return false;
    firstResponder_ = true;
    UIKeyboardImpl::showForResponder(self);
    return true;
}

bool UITextField::resignFirstResponder()
{
    if (!firstResponder_)
        return true;
    firstResponder_ = false;
    auto keyboard = UIKeyboardImpl::activeInstance();
    if (keyboard && keyboard->responder().get() == this)
        keyboard->dismissKeyboard();
    return true;
}

void UITextField::touchesEnded(const UITouchSet& touches, UIEvent* event)
{
    auto touch = touches.anyObject();
    bool inside = touch && pointInside(touch->locationInView(this), nullptr);
    UIControl::touchesEnded(touches, event);
    if (inside && isEnabled())
        becomeFirstResponder();
}

void UITextField::layoutSubviews()
{
    if (label_)
        label_->setFrame(CGRectInset(bounds(), textInset, 0));
}
