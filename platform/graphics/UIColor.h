#pragma once
#include "platform/runtime/NSObject.h"

#include <memory>

// An RGBA colour with components in 0…1, not premultiplied.
class UIColor final : public NSObject {
public:
    UIColor(float r, float g, float b, float a) : red_(r), green_(g), blue_(b), alpha_(a) { }
    static std::shared_ptr<UIColor> colorWithRed(float red, float green, float blue, float alpha);
    static std::shared_ptr<UIColor> colorWithWhite(float white, float alpha);

    static std::shared_ptr<UIColor> clearColor();  // 0, 0, 0, 0
    static std::shared_ptr<UIColor> blackColor();  // 0, 0, 0, 1
    static std::shared_ptr<UIColor> whiteColor();  // 1, 1, 1, 1
    static std::shared_ptr<UIColor> redColor();    // 1, 0, 0, 1
    static std::shared_ptr<UIColor> greenColor();  // 0, 1, 0, 1
    static std::shared_ptr<UIColor> blueColor();   // 0, 0, 1, 1
    static std::shared_ptr<UIColor> orangeColor(); // 1, 0.5, 0, 1
    static std::shared_ptr<UIColor> grayColor();   // 0.5, 0.5, 0.5, 1

    // The same colour with its alpha replaced.
    std::shared_ptr<UIColor> colorWithAlphaComponent(float alpha) const;
    // Makes this the stroke (or fill) colour of the current graphics context.
    void setStroke() const;
    void setFill() const;
    void set() const;

    GLYPHWARD_RUNTIME_CLASS(UIColor, NSObject);
    std::string description() const override;
    bool isEqual(const NSObject* other) const override;

    float red() const { return red_; }
    float green() const { return green_; }
    float blue() const { return blue_; }
    float alpha() const { return alpha_; }

private:
    float red_, green_, blue_, alpha_;
};
