// The scenario language's reader on arbitrary text.
#include "fuzz/FuzzSupport.h"
#include "apps/host/ScenarioScript.h"

#include <cstddef>
#include <cstdint>
#include <cmath>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::toolkit();
    const std::string text(reinterpret_cast<const char*>(data), size);
    const ScenarioScript script = ScenarioScript::parse(text);
    int lines = 1;
    for (char c : text)
        lines += c == '\n' ? 1 : 0;
    // Commands and errors name real lines, in order; a script with errors is not ok.
    int previous = 0;
    for (const auto& command : script.commands()) {
        if (command.line < 1 || command.line > lines || command.line <= previous)
            std::abort();
        previous = command.line;
        for (int node : command.nodes)
            if (node < 0)
                std::abort();
        // Times and points reach the clock and the touch path: never negative waits, never NaN or infinity.
        if (command.kind == ScenarioCommand::Kind::Wait && !(command.seconds >= 0))
            std::abort();
        if (!std::isfinite(command.seconds) || !std::isfinite(command.point.x) || !std::isfinite(command.point.y)
            || !std::isfinite(command.real) || std::fabs(command.seconds) > 1e9)
            std::abort();
    }
    for (const auto& error : script.errors())
        if (error.line < 0 || error.line > lines || error.message.empty())
            std::abort();
    if (script.ok() != script.errors().empty())
        std::abort();
    return 0;
}
