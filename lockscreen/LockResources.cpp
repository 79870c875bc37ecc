#include "lockscreen/LockResources.h"

#include "platform/foundation/DeviceRoot.h"
#include "platform/foundation/NSBundle.h"
#include "platform/graphics/UIImage.h"

#include <vector>

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
    // The small ones first: they are ready by the time the lock screen is built.
    std::vector<std::string> paths;
    for (const char* name : { kNormalNodeImage, kSelectedNodeImage, kBackgroundImage }) {
        if (std::optional<std::string> path = bundle->pathForResource(name, "png"))
            paths.push_back(std::move(*path));
    }
    UIImage::prefetchContentsOfFiles(paths);
}

std::optional<std::string> LockResources::localizedText(const std::string& key)
{
    std::shared_ptr<NSBundle> bundle = openBundle();
    if (!bundle)
        return std::nullopt;
    return bundle->localizedStringForKey(key, "", kStringsTable);
}
