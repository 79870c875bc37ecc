#include "platform/ui/UILabel.h"

#include "platform/foundation/NSString.h"
#include "platform/graphics/UIColor.h"
#include "platform/runtime/RuntimeThunks.h"

UILabel::UILabel() { setUserInteractionEnabled(false); }

std::shared_ptr<NSObject> UILabel::valueForKey(const std::string& key) const
{
    if (key == "text")
        return text_ ? NSString::stringWithString(*text_) : nullptr;
    return UIView::valueForKey(key);
}

void UILabel::setText(std::optional<std::string> text)
{
    if (text == text_)
        return;
    text_ = std::move(text);
    noteAppearanceChanged();
}

void UILabel::setFont(std::shared_ptr<UIFont> font)
{
    font_ = std::move(font);
    noteAppearanceChanged();
}

std::shared_ptr<UIColor> UILabel::textColor() const { return textColor_ ? textColor_ : UIColor::blackColor(); }

void UILabel::setTextColor(std::shared_ptr<UIColor> color)
{
    textColor_ = std::move(color);
    noteAppearanceChanged();
}

void UILabel::setTextAlignment(NSTextAlignment alignment)
{
    alignment_ = alignment;
    noteAppearanceChanged();
}

void UILabel::setLineBreakMode(NSLineBreakMode mode)
{
    lineBreakMode_ = mode;
    noteAppearanceChanged();
}

void UILabel::setNumberOfLines(NSInteger lines)
{
    numberOfLines_ = lines;
    noteAppearanceChanged();
}
