#pragma once
#include <memory>
#include <optional>
#include <string>

class NSBundle;
class UIImage;

// The lock's resource bundle at "/Library/Application Support/WeChat" under the device root:
// its pictures and its strings table "lock".
class LockResources {
public:
    static constexpr const char* kBundlePath = "/Library/Application Support/WeChat";
    static constexpr const char* kStringsTable = "lock";
    static constexpr const char* kBackgroundImage = "bg";
    static constexpr const char* kNormalNodeImage = "gesture_node_normal";
    static constexpr const char* kSelectedNodeImage = "gesture_node_selected";

    // The bundle, or null when its folder is missing.
    static std::shared_ptr<NSBundle> openBundle();
    // The picture "<name>.png" of the bundle (at the screen's scale when there is one); null
    // without a bundle or a readable file.
    static std::shared_ptr<UIImage> image(const NSBundle* bundle, const std::string& name);
    // Begins decoding the bundle's three pictures off the main thread, so that building the lock
    // screen does not wait for them and its first frame finds them ready; nothing without a bundle.
    static void prefetchImages();
    // The key's text in the table "lock", from a bundle opened afresh so a table changed on disk
    // shows at once; the key itself when untranslated, none when the bundle is missing.
    static std::optional<std::string> localizedText(const std::string& key);
};
