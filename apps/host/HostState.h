#pragma once
#include <nlohmann/json.hpp>

#include <memory>
#include <string>
#include <vector>

#include "platform/graphics/CGGeometry.h"

class UIView;

// What a debugger would read off the running host: the lock screen's state through the
// runtime (key-value reads on the lock window's root view controller, views by class name),
// the windows, and the passcode as stored on disk.
class HostState {
public:
    // The state line, keys in their fixed order.
    static nlohmann::ordered_json read();
    // One value as JSON text on one line. Texts come from files anyone may write (a strings
    // table, the settings): bytes that are not UTF-8 print as U+FFFD instead of failing the line.
    static std::string format(const nlohmann::ordered_json& value);

    // The lock screen's gesture lock view, visible or not; null when there is none.
    static std::shared_ptr<UIView> gestureLockView();
    // The centres of the gesture lock view's nodes in screen points, by node index.
    static std::vector<CGPoint> nodeCentres();
    // The centre of the reset button in screen points, when there is one.
    static bool resetButtonCentre(CGPoint& centre);
};
