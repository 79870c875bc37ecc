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

// The named colours are shared instances, as the toolkit keeps them: colours are immutable, and
// callers may compare them by identity.
namespace {
std::shared_ptr<UIColor> named(float r, float g, float b, float a) { return std::make_shared<UIColor>(r, g, b, a); }
} // namespace

std::shared_ptr<UIColor> UIColor::clearColor() { static const auto color = named(0, 0, 0, 0); return color; }
std::shared_ptr<UIColor> UIColor::blackColor() { static const auto color = named(0, 0, 0, 1); return color; }
std::shared_ptr<UIColor> UIColor::whiteColor() { static const auto color = named(1, 1, 1, 1); return color; }
std::shared_ptr<UIColor> UIColor::redColor() { static const auto color = named(1, 0, 0, 1); return color; }
std::shared_ptr<UIColor> UIColor::greenColor() { static const auto color = named(0, 1, 0, 1); return color; }
std::shared_ptr<UIColor> UIColor::blueColor() { static const auto color = named(0, 0, 1, 1); return color; }
std::shared_ptr<UIColor> UIColor::orangeColor() { static const auto color = named(1, 0.5f, 0, 1); return color; }
std::shared_ptr<UIColor> UIColor::grayColor() { static const auto color = named(0.5f, 0.5f, 0.5f, 1); return color; }

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
