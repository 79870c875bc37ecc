#include "lockscreen/LockResources.h"

#include "platform/foundation/DeviceRoot.h"
#include "platform/foundation/NSBundle.h"
#include "platform/graphics/UIImage.h"

std::shared_ptr<NSBundle> LockResources::openBundle() { return NSBundle::bundleWithPath(DeviceRoot::resolve(kBundlePath)); }

std::shared_ptr<UIImage> LockResources::image(const NSBundle* bundle, const std::string& name)
{
    if (!bundle)
        return nullptr;
    std::optional<std::string> path = bundle->pathForResource(name, "png");
    return path ? UIImage::imageWithContentsOfFile(*path) : nullptr;
}

void LockResources::prefetchImages()
{
    const std::shared_ptr<NSBundle> bundle = openBundle();
    if (!bundle)
        return;
    for (const char* name : { kBackgroundImage, kNormalNodeImage, kSelectedNodeImage }) {
        if (const std::optional<std::string> path = bundle->pathForResource(name, "png"))
            UIImage::prefetchContentsOfFile(*path);
    }
}

std::optional<std::string> LockResources::localizedText(const std::string& key)
{
    std::shared_ptr<NSBundle> bundle = openBundle();
    if (!bundle)
        return std::nullopt;
    return bundle->localizedStringForKey(key, "", kStringsTable);
}
