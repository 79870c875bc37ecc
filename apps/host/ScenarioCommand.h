#pragma once
#include "platform/graphics/CGGeometry.h"
#include "platform/ui/UIKeyPress.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <string>
#include <vector>

// One line of a scenario, read and checked, ready to play.
struct ScenarioCommand {
    enum class Kind {
        Launch,
        Background,
        Foreground,
        Wait,
        Clock,
        Down,
        Move,
        Up,
        Cancel,
        Tap,
        Draw,
        TapReset,
        Keys,
        Set,
        Delete,
        KeyboardShow,
        KeyboardHide,
        Snapshot,
        Print,
        Expect,
    };

    Kind kind = Kind::Print;
    int line = 0;
    // Seconds for wait and clock.
    double seconds = 0;
    // Screen point for down, move and tap.
    CGPoint point {};
    // Node indices for draw.
    std::vector<int> nodes;
    // Key presses for keys, in order.
    std::vector<UIKeyPress> keys;
    // Settings key for set and delete; state key for expect.
    std::string key;
    // Value type for set: "bool", "float", "int" or "string".
    std::string type;
    // Value for set float and set int, as read.
    double real = 0;
    std::int64_t integer = 0;
    // Value for set as written (a bool as YES or NO); file for snapshot; the expected value for expect as written.
    std::string text;
    nlohmann::json expected;
};
