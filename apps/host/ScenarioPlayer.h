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
    // A command's part of the play: answers false when the scenario must stop.
    using Handler = bool (ScenarioPlayer::*)(const ScenarioCommand&);
    static Handler handlerFor(ScenarioCommand::Kind kind);

    // Plays the command, then whatever it started that is due now; false when the scenario must stop.
    bool run(const ScenarioCommand& command);
    bool playLifeCycle(const ScenarioCommand& command);
    bool playTime(const ScenarioCommand& command);
    bool playTouch(const ScenarioCommand& command);
    bool playDraw(const ScenarioCommand& command);
    bool playTapReset(const ScenarioCommand& command);
    bool playKeys(const ScenarioCommand& command);
    bool playSettings(const ScenarioCommand& command);
    bool playKeyboard(const ScenarioCommand& command);
    bool playSnapshot(const ScenarioCommand& command);
    bool playPrint(const ScenarioCommand& command);
    bool playExpect(const ScenarioCommand& command);
    void tap(CGPoint point);
    bool fail(const ScenarioCommand& command, const std::string& expected, const std::string& actual);

    std::ostream& out_;
    std::shared_ptr<VirtualClock> clock_;
};
