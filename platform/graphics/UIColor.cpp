#include "platform/graphics/UIColor.h"

#include "platform/graphics/CGContext.h"

#include <cstdio>

std::shared_ptr<UIColor> UIColor::colorWithRed(float red, float green, float blue, float alpha)
{
    return std::make_shared<UIColor>(red, green, blue, alpha);
}

std::shared_ptr<UIColor> UIColor::colorWithWhite(float white, float alpha)
{
    return std::make_shared<UIColor>(white, white, white, alpha);
}

std::shared_ptr<UIColor> UIColor::clearColor() { return colorWithRed(0, 0, 0, 0); }
std::shared_ptr<UIColor> UIColor::blackColor() { return colorWithRed(0, 0, 0, 1); }
std::shared_ptr<UIColor> UIColor::whiteColor() { return colorWithRed(1, 1, 1, 1); }
std::shared_ptr<UIColor> UIColor::redColor() { return colorWithRed(1, 0, 0, 1); }
std::shared_ptr<UIColor> UIColor::greenColor() { return colorWithRed(0, 1, 0, 1); }
std::shared_ptr<UIColor> UIColor::blueColor() { return colorWithRed(0, 0, 1, 1); }
std::shared_ptr<UIColor> UIColor::orangeColor() { return colorWithRed(1, 0.5f, 0, 1); }
std::shared_ptr<UIColor> UIColor::grayColor() { return colorWithRed(0.5f, 0.5f, 0.5f, 1); }
std::shared_ptr<UIColor> UIColor::lightGrayColor() { return colorWithWhite(2.0f / 3.0f, 1); }
std::shared_ptr<UIColor> UIColor::darkGrayColor() { return colorWithWhite(1.0f / 3.0f, 1); }

std::shared_ptr<UIColor> UIColor::colorWithAlphaComponent(float alpha) const
{
    return colorWithRed(red_, green_, blue_, alpha);
}

void UIColor::setStroke() const { CGContextSetStrokeColorWithColor(UIGraphicsGetCurrentContext(), this); }
void UIColor::setFill() const { CGContextSetFillColorWithColor(UIGraphicsGetCurrentContext(), this); }

void UIColor::set() const
{
    setFill();
    setStroke();
}

std::string UIColor::description() const
{
    char text[96];
    std::snprintf(text, sizeof text, "UIExtendedSRGBColorSpace %g %g %g %g", static_cast<double>(red_),
        static_cast<double>(green_), static_cast<double>(blue_), static_cast<double>(alpha_));
    return text;
}

bool UIColor::isEqual(const NSObject* other) const
{
    const auto* color = dynamic_cast<const UIColor*>(other);
    return color && color->red_ == red_ && color->green_ == green_ && color->blue_ == blue_ && color->alpha_ == alpha_;
}
