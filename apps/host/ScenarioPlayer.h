#pragma once
#include "apps/host/ScenarioScript.h"

#include <iosfwd>
#include <memory>

class VirtualClock;

// Plays a scenario against the running host on a virtual clock, writing the output lines
// (state, snapshot, fail) to the stream as things happen.
class ScenarioPlayer {
public:
    ScenarioPlayer(std::ostream& out, std::shared_ptr<VirtualClock> clock);

    // Plays every command in order; answers 0 when all held, 1 at the first expect that did not.
    int play(const ScenarioScript& script);

    // Plays one command; answers false when the scenario must stop.
    bool perform(const ScenarioCommand& command) { return run(command); }

    // Whether an actual state value matches the expected one: numbers within a millionth,
    // arrays and objects element by element, everything else exactly.
    static bool matches(const nlohmann::ordered_json& actual, const nlohmann::json& expected);

private:
    // Answers false when the scenario must stop.
    bool run(const ScenarioCommand& command);
    void tap(CGPoint point);
    bool fail(const ScenarioCommand& command, const std::string& expected, const std::string& actual);

    std::ostream& out_;
    std::shared_ptr<VirtualClock> clock_;
};
