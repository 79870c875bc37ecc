// glyphward-defaults from arbitrary arguments: the command line, the root's test, then the verb
// itself on a private root (whatever --root says, nothing is written outside it; the file of an
// export or import is always one file in it, and import's standard input is the input itself).
// Every answer is a status the tool documents, and a failure always says something.
#include "apps/common/RootCheck.h"
#include "apps/defaults/DefaultsCommandLine.h"
#include "apps/defaults/DefaultsTool.h"
#include "fuzz/FuzzSupport.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    namespace fs = std::filesystem;
    const std::string preferences = fuzz::privateRoot() + "/var/mobile/Library/Preferences";
    fuzz::quietLogs();
    // Each input starts from no settings, so the folder does not fill with the fuzzer's domains.
    std::error_code ignored;
    fs::remove_all(preferences, ignored);

    const fuzz::CommandLine command("glyphward-defaults", data, size);
    const DefaultsCommandLine line = DefaultsCommandLine::parse(command.argc(), command.argv());
    if (!line.run) {
        const bool said = line.status == 0 ? !line.out.empty() : line.status == 2 && !line.err.empty();
        if (!said)
            std::abort();
        return 0;
    }
    if (line.root)
        (void)RootCheck::folderProblem(*line.root);
    std::vector<std::string> words = line.words;
    if (words.size() >= 3 && (words[0] == "export" || words[0] == "import") && words[2] != "-")
        words[2] = fuzz::privateRoot() + "/transfer.plist";
    std::ostringstream out;
    std::ostringstream err;
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    DefaultsTool tool(out, err, in);
    const int status = tool.run(words);
    if (status < 0 || status > 2 || (status != 0 && err.str().empty()))
        std::abort();
    return 0;
}
