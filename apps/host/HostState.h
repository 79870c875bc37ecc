#pragma once
#include <nlohmann/json.hpp>

#include <string>
#include <vector>

#include "platform/graphics/CGGeometry.h"

// What a debugger would read off the running host: the lock screen's state through the
// runtime (key-value reads on the lock window's root view controller, its views by their
// property names), the windows, and the passcode as stored on disk.
class HostState {
public:
    // The state line, keys in their fixed order.
    static nlohmann::ordered_json read();
    // One value as JSON text on one line. Texts come from files anyone may write (a strings
    // table, the settings): bytes that are not UTF-8 print as U+FFFD instead of failing the line.
    static std::string format(const nlohmann::ordered_json& value);

    // The centres of the gesture lock view's nodes in screen points, by node index.
    static std::vector<CGPoint> nodeCentres();
    // The centre of the reset button in screen points, when there is one.
    static bool resetButtonCentre(CGPoint& centre);
};
