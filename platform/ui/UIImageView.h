#pragma once
#include "platform/ui/UIView.h"

#include <memory>

class UIImage;

// Shows one image scaled to its bounds. Takes no touches unless told to.
class UIImageView : public UIView {
public:
    UIImageView();

    GLYPHWARD_RUNTIME_CLASS(UIImageView, UIView);

    // Initialises with a frame of (0, 0, image size), or the zero frame without an image.
    UIImageView* initWithImage(std::shared_ptr<UIImage> image);
    const std::shared_ptr<UIImage>& image() const { return image_; }
    void setImage(std::shared_ptr<UIImage> image);

    void drawIntrinsicContent(CGRect rect) const override;

private:
    std::shared_ptr<UIImage> image_;
};
