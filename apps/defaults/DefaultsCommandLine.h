#pragma once
#include <optional>
#include <string>
#include <vector>

// glyphward-defaults' command line: the root and the words of the command to run, or what to
// print and the status to leave with (help: 0, on out; a mistake: 2, on err).
class DefaultsCommandLine {
public:
    static DefaultsCommandLine parse(int argc, const char* const* argv);

    bool run = false;
    // --root as given; none: $GLYPHWARD_ROOT, else the default.
    std::optional<std::string> root;
    // Everything from the verb on, untouched: values such as "-5" or "-bool" are not options.
    std::vector<std::string> words;
    int status = 0;
    std::string out;
    std::string err;
};
