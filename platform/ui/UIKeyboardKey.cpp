#include "platform/ui/UIKeyboardKey.h"

#include "platform/graphics/UIColor.h"
#include "platform/graphics/UIFont.h"
#include "platform/runtime/RuntimeThunks.h"
#include "platform/ui/UILabel.h"

void UIKeyboardKey::initKey(CGRect frame, Kind kind, std::string caption, std::string text)
{
    initWithFrame(frame);
    kind_ = kind;
    caption_ = std::move(caption);
    text_ = std::move(text);
    setBackgroundColor(UIColor::whiteColor());
    label_ = alloc<UILabel>();
    label_->initWithFrame({ { 0, 0 }, frame.size });
    label_->setText(caption_);
    // Letters large, as on a phone; the words on the wide keys smaller.
    label_->setFont(UIFont::systemFontOfSize(caption_.size() > 3 ? 14 : 20));
    label_->setTextColor(UIColor::blackColor());
    label_->setTextAlignment(NSTextAlignment::Center);
    label_->setBackgroundColor(UIColor::clearColor());
    addSubview(label_);
}

void UIKeyboardKey::setHighlighted(bool highlighted)
{
    UIControl::setHighlighted(highlighted);
    setBackgroundColor(highlighted ? UIColor::colorWithWhite(0.68f, 1) : UIColor::whiteColor());
}
