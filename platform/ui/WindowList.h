#pragma once
#include <memory>
#include <vector>

class UIWindow;

// The windows shown, front to back. The application holds them, as the device does; the key
// window is only watched.
struct WindowList {
    std::vector<std::shared_ptr<UIWindow>> frontToBack;
    std::weak_ptr<UIWindow> key;
};
