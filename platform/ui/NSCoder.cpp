#include "platform/ui/UIView.h"

// The archive answers a neutral value (0, "", the zero rectangle, no colour) for a key it lacks
// or holds with another type, as a keyed archive does.

double NSCoder::decodeDoubleForKey(const std::string& key) const
{
    auto it = values_.find(key);
    if (it == values_.end())
        return 0.0;
    const double* value = std::get_if<double>(&it->second);
    return value ? *value : 0.0;
}

CGRect NSCoder::decodeRectForKey(const std::string& key) const
{
    auto it = values_.find(key);
    if (it == values_.end())
        return CGRectZero;
    const CGRect* value = std::get_if<CGRect>(&it->second);
    return value ? *value : CGRectZero;
}

std::shared_ptr<UIColor> NSCoder::decodeColorForKey(const std::string& key) const
{
    auto it = values_.find(key);
    if (it == values_.end())
        return nullptr;
    const auto* value = std::get_if<std::shared_ptr<UIColor>>(&it->second);
    return value ? *value : nullptr;
}
