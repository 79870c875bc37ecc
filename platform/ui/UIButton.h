#pragma once
#include "platform/ui/UIControl.h"

#include <map>

class UIImage;

enum class UIButtonType { Custom = 0, System = 1 };

// A control that shows an image for its state. Only the custom type draws nothing of its own.
class UIButton : public UIControl {
public:
    GLYPHWARD_RUNTIME_CLASS(UIButton, UIControl);
    static std::shared_ptr<UIButton> buttonWithType(UIButtonType type);

    UIButtonType buttonType() const { return type_; }
    // Sets (or with null removes) the image for a state; the shown image follows at once.
    void setImage(std::shared_ptr<UIImage> image, UIControlState state);
    // The image set for exactly that state, or null.
    std::shared_ptr<UIImage> imageForState(UIControlState state) const;
    // What the button shows now: the image of its state, else the normal-state image.
    std::shared_ptr<UIImage> currentImage() const;

    void drawIntrinsicContent(CGRect rect) const override;

private:
    UIButtonType type_ = UIButtonType::Custom;
    std::map<UIControlState, std::shared_ptr<UIImage>> images_;
};
