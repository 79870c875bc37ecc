#pragma once
// Runs the built glyphward-defaults in a child process, for the tool's tests.
#include "SettingsTestSupport.h"

#include <cstdio>
#include <fcntl.h>
#include <optional>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace settings_test {

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs the built tool with the given arguments; GLYPHWARD_ROOT is set to envRoot when given, and
// standard input holds input (else it is empty).
inline Outcome runTool(const TempRoot& root, std::vector<std::string> args, const std::string& envRoot = "",
                       const std::string& input = "")
{
    const std::string tool = GLYPHWARD_BINARY_DIR "/apps/defaults/glyphward-defaults";
    const std::string outPath = root.path + "/tool.out";
    const std::string errPath = root.path + "/tool.err";
    const std::string inPath = root.path + "/tool.in";
    writeBytes(inPath, input);
    args.insert(args.begin(), tool);
    pid_t pid = fork();
    if (pid == 0) {
        int in = open(inPath.c_str(), O_RDONLY);
        int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(in, 0);
        dup2(out, 1);
        dup2(err, 2);
        if (envRoot.empty())
            unsetenv("GLYPHWARD_ROOT");
        else
            setenv("GLYPHWARD_ROOT", envRoot.c_str(), 1);
        std::vector<char*> argv;
        for (auto& arg : args)
            argv.push_back(arg.data());
        argv.push_back(nullptr);
        execv(tool.c_str(), argv.data());
        _exit(127);
    }
    Outcome outcome;
    int status = 0;
    waitpid(pid, &status, 0);
    outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    outcome.out = readBytes(outPath);
    outcome.err = readBytes(errPath);
    std::remove(inPath.c_str());
    return outcome;
}

// The tool on the test's root, named with --root.
inline Outcome tool(const TempRoot& root, std::vector<std::string> args, const std::string& input = "")
{
    args.insert(args.begin(), {"--root", root.path});
    return runTool(root, std::move(args), "", input);
}

// What Python's plistlib makes of a whole file, as JSON with sorted keys (data as hex, dates in
// ISO form), or "unreadable".
inline std::string plistlibJson(const std::string& path)
{
    const std::string command = "python3 -c 'import plistlib, sys, json; d = plistlib.load(open(sys.argv[1], \"rb\")); "
                                "print(json.dumps(d, sort_keys=True, default=lambda o: o.hex() if isinstance(o, bytes) "
                                "else o.isoformat()))' " + path + " 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return "unreadable";
    std::string out;
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe))
        out += buffer;
    if (pclose(pipe) != 0 || out.empty())
        return "unreadable";
    out.pop_back();
    return out;
}

} // namespace settings_test
