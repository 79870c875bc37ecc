#pragma once
#include "apps/host/ScenarioCommand.h"

#include <string>
#include <vector>

// A scenario read from its text: the commands in order, or every line that could not be read.
class ScenarioScript {
public:
    struct Error {
        int line = 0;
        std::string message;
    };

    // Reads the whole text. A script with errors has no commands worth playing.
    static ScenarioScript parse(const std::string& text);

    const std::vector<ScenarioCommand>& commands() const { return commands_; }
    const std::vector<Error>& errors() const { return errors_; }
    bool ok() const { return errors_.empty(); }

    // The keys of the state line, in the order it prints them.
    static const std::vector<std::string>& stateKeys();

private:
    std::vector<ScenarioCommand> commands_;
    std::vector<Error> errors_;
};
