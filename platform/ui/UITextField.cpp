#include "platform/ui/UITextField.h"

#include "platform/graphics/PangoText.h"
#include "platform/graphics/UIColor.h"
#include "platform/graphics/UIFont.h"
#include "platform/runtime/RuntimeThunks.h"
#include "platform/ui/UIKeyboardImpl.h"
#include "platform/ui/UILabel.h"
#include "platform/ui/UITouch.h"

#include <algorithm>
#include <string_view>

namespace {

// The text sits this far in from the left and right edges.
constexpr CGFloat textInset = 8;
constexpr CGFloat caretWidth = 2;
constexpr CGFloat caretHeight = 20;

struct Character {
    std::size_t length = 0; // 0: the bytes here are not UTF-8
    char32_t codePoint = 0;
};

// The UTF-8 character at text[i]: overlong forms, surrogates and values past U+10FFFF are not one.
Character characterAt(std::string_view text, std::size_t i)
{
    const auto byte = [&text](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    if (lead < 0x80)
        return { 1, lead };
    std::size_t length = 0;
    char32_t value = 0, minimum = 0;
    if ((lead & 0xE0) == 0xC0)
        length = 2, value = lead & 0x1Fu, minimum = 0x80;
    else if ((lead & 0xF0) == 0xE0)
        length = 3, value = lead & 0x0Fu, minimum = 0x800;
    else if ((lead & 0xF8) == 0xF0)
        length = 4, value = lead & 0x07u, minimum = 0x10000;
    else
        return {};
    if (i + length > text.size())
        return {};
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80)
            return {};
        value = (value << 6) | (byte(i + k) & 0x3Fu);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return {};
    return { length, value };
}

bool isControl(char32_t c) { return c < 0x20 || (c >= 0x7F && c <= 0x9F); }

} // namespace

UIView* UITextField::initWithFrame(CGRect frame)
{
    UIControl::initWithFrame(frame);
    // The text is shown by a label child, so the field draws like any label.
    label_ = std::make_shared<UILabel>();
    label_->initWithFrame(CGRectInset(bounds(), textInset, 0));
    addSubview(label_);
    caret_ = std::make_shared<UIView>();
    caret_->initWithFrame(CGRectZero);
    caret_->setBackgroundColor(UIColor::colorWithRed(0.0f, 0.48f, 1.0f, 1.0f));
    caret_->setUserInteractionEnabled(false);
    caret_->setHidden(true);
    addSubview(caret_);
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
    bool empty = !hasText();
    label_->setText(empty ? placeholder_ : text_);
    label_->setTextColor(empty ? UIColor::grayColor() : UIColor::blackColor());
    updateCaret();
}

void UITextField::updateCaret()
{
    if (!caret_ || !label_)
        return;
    caret_->setHidden(!firstResponder_);
    if (!firstResponder_)
        return;
    const CGRect area = label_->frame();
    const CGFloat width = hasText() ? PangoText::measure(*text_, label_->font().get()).width : 0;
    const CGFloat height = std::min(caretHeight, bounds().size.height);
    const CGFloat x = area.origin.x + std::clamp(width, CGFloat(0), std::max(CGFloat(0), area.size.width - caretWidth));
    caret_->setFrame(CGRectMake(x, (bounds().size.height - height) / 2, caretWidth, height));
}

bool UITextField::becomeFirstResponder()
{
    if (firstResponder_)
        return true;
    auto self = std::dynamic_pointer_cast<UIResponder>(weak_from_this().lock());
    if (!self)
        return false;
    firstResponder_ = true;
    // While editing, the end of a long text stays in view, next to the caret.
    if (label_)
        label_->setLineBreakMode(NSLineBreakMode::ByTruncatingHead);
    updateCaret();
    UIKeyboardImpl::showForResponder(self);
    return true;
}

bool UITextField::resignFirstResponder()
{
    if (!firstResponder_)
        return true;
    firstResponder_ = false;
    if (label_)
        label_->setLineBreakMode(NSLineBreakMode::ByTruncatingTail);
    updateCaret();
    auto keyboard = UIKeyboardImpl::activeInstance();
    if (keyboard && keyboard->responder().get() == this)
        keyboard->dismissKeyboard();
    return true;
}

void UITextField::insertText(const std::string& text)
{
    std::string kept;
    for (std::size_t i = 0; i < text.size();) {
        const Character c = characterAt(text, i);
        if (c.length == 0) {
            ++i;
            continue;
        }
        if (c.codePoint == U'\n' || c.codePoint == U'\r') {
            // What came before the Return belongs to the text the delegate is asked about.
            if (!kept.empty())
                setText(text_.value_or("") + kept);
            kept.clear();
            pressReturn();
        } else if (!isControl(c.codePoint)) {
            kept.append(text, i, c.length);
        }
        i += c.length;
    }
    if (!kept.empty())
        setText(text_.value_or("") + kept);
}

void UITextField::deleteBackward()
{
    if (!hasText())
        return;
    std::string text = *text_;
    while (!text.empty() && (static_cast<unsigned char>(text.back()) & 0xC0) == 0x80)
        text.pop_back();
    if (!text.empty())
        text.pop_back();
    setText(std::move(text));
}

void UITextField::pressReturn()
{
    auto delegate = delegate_.lock();
    if (delegate && delegate->respondsToSelector(sel("textFieldShouldReturn:")))
        objc_msgSend<BOOL>(delegate.get(), sel("textFieldShouldReturn:"), this);
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
    updateCaret();
}
