// glyphward-host's command line from arbitrary arguments: it answers options within their limits
// or a message and a status, and never throws.
#include "apps/common/RootCheck.h"
#include "apps/host/HostCommandLine.h"
#include "fuzz/FuzzSupport.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::toolkit();
    const fuzz::CommandLine command("glyphward-host", data, size);
    const HostCommandLine line = HostCommandLine::parse(command.argc(), command.argv());
    if (!line.options) {
        // Help on stdout with 0, a mistake on stderr with 2: never silence.
        const bool said = line.status == 0 ? !line.out.empty() : line.status == 2 && !line.err.empty();
        if (!said)
            std::abort();
        return 0;
    }
    const HostOptions& options = *line.options;
    if (line.status != 0 || !line.err.empty())
        std::abort();
    const float w = options.screenWidth;
    const float h = options.screenHeight;
    const float s = options.screenScale;
    if (!(w >= 1 && w <= 4096 && h >= 1 && h <= 4096 && s > 0 && s <= 4 && w * s >= 1 && h * s >= 1))
        std::abort();
    if (options.epoch && !std::isfinite(*options.epoch))
        std::abort();
    // The root's test only looks; whatever the path, it answers in words.
    if (options.root)
        (void)RootCheck::deviceRootProblem(*options.root);
    return 0;
}
