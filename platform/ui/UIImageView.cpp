#include "platform/ui/UIImageView.h"

#include "platform/graphics/UIImage.h"
#include "platform/runtime/RuntimeThunks.h"

UIImageView::UIImageView() { setUserInteractionEnabled(false); }

UIImageView* UIImageView::initWithImage(std::shared_ptr<UIImage> image)
{
    initWithFrame(image ? CGRect { {}, image->size() } : CGRectZero);
    setImage(std::move(image));
    return this;
}

void UIImageView::setImage(std::shared_ptr<UIImage> image)
{
    if (image == image_)
        return;
    image_ = std::move(image);
    noteAppearanceChanged();
}
