#include "platform/graphics/UIFont.h"

#include <cstdio>

std::shared_ptr<UIFont> UIFont::systemFontOfSize(CGFloat size) { return std::make_shared<UIFont>(kSystemFamily, size); }

std::string UIFont::description() const
{
    char text[160];
    std::snprintf(text, sizeof text, "<UIFont: %p> font-family: \"%s\"; font-size: %gpt", static_cast<const void*>(this),
        familyName_.c_str(), static_cast<double>(pointSize_));
    return text;
}
