#include "platform/ui/UIButton.h"

#include "platform/runtime/RuntimeThunks.h"

std::shared_ptr<UIButton> UIButton::buttonWithType(UIButtonType type)
{
    auto button = std::make_shared<UIButton>();
    button->type_ = type;
    button->initWithFrame(CGRectZero);
    return button;
}

void UIButton::setImage(std::shared_ptr<UIImage> image, UIControlState state)
{
    if (image)
        images_[state] = std::move(image);
    else
        images_.erase(state);
    noteAppearanceChanged();
}

std::shared_ptr<UIImage> UIButton::imageForState(UIControlState state) const
{
    auto it = images_.find(state);
    return it == images_.end() ? nullptr : it->second;
}

std::shared_ptr<UIImage> UIButton::currentImage() const
{
    if (auto exact = imageForState(state()))
        return exact;
    return imageForState(UIControlStateNormal);
}

