#pragma once
#include "platform/graphics/CGGeometry.h"
#include "platform/runtime/NSObject.h"

#include <memory>
#include <string>

// A font: a family and a size in points. The system font is DejaVu Sans for Latin text, with
// WenQuanYi Micro Hei for Chinese; text drawing picks the order per string.
class UIFont final : public NSObject {
public:
    UIFont(std::string familyName, CGFloat pointSize) : familyName_(std::move(familyName)), pointSize_(pointSize) { }

    // The system font at that size.
    static std::shared_ptr<UIFont> systemFontOfSize(CGFloat size);

    CGFloat pointSize() const { return pointSize_; }
    const std::string& familyName() const { return familyName_; }
    bool isSystemFont() const { return familyName_ == kSystemFamily; }

    GLYPHWARD_RUNTIME_CLASS(UIFont, NSObject);
    std::string description() const override;

    static constexpr const char* kSystemFamily = "DejaVu Sans";
    static constexpr const char* kChineseFamily = "WenQuanYi Micro Hei";

private:
    std::string familyName_;
    CGFloat pointSize_;
};
