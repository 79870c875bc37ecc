#pragma once
#include "platform/ui/NSLineBreakMode.h"
#include "platform/ui/NSTextAlignment.h"
#include "platform/ui/UIView.h"

#include <memory>
#include <optional>
#include <string>

class UIFont;

// Read-only text. Takes no touches unless told to; the renderer draws the text.
class UILabel : public UIView {
public:
    UILabel();

    GLYPHWARD_RUNTIME_CLASS(UILabel, UIView);
    std::shared_ptr<NSObject> valueForKey(const std::string& key) const override;

    const std::optional<std::string>& text() const { return text_; }
    void setText(std::optional<std::string> text);
    // Null means the system font of 17 points.
    const std::shared_ptr<UIFont>& font() const { return font_; }
    void setFont(std::shared_ptr<UIFont> font);
    // Never null: black unless set.
    std::shared_ptr<UIColor> textColor() const;
    void setTextColor(std::shared_ptr<UIColor> color);
    NSTextAlignment textAlignment() const { return alignment_; }
    void setTextAlignment(NSTextAlignment alignment);
    NSLineBreakMode lineBreakMode() const { return lineBreakMode_; }
    void setLineBreakMode(NSLineBreakMode mode);
    // 0 means as many lines as the height holds.
    NSInteger numberOfLines() const { return numberOfLines_; }
    void setNumberOfLines(NSInteger lines);

    void drawIntrinsicContent(CGRect rect) const override;

private:
    std::optional<std::string> text_;
    std::shared_ptr<UIFont> font_;
    std::shared_ptr<UIColor> textColor_;
    NSTextAlignment alignment_ = NSTextAlignment::Left;
    NSLineBreakMode lineBreakMode_ = NSLineBreakMode::ByTruncatingTail;
    NSInteger numberOfLines_ = 1;
};
