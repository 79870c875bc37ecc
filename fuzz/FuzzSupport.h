#pragma once
// Shared by the fuzz targets: a private device root on a memory file system, made once per
// process, so that file work stays fast and never touches the staged root.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class Toolkit;

namespace fuzz {

// The one toolkit of the fuzzing process, built at first use and destroyed at exit; every entry
// point reaches for it before it touches the toolkit.
Toolkit& toolkit();
// Creates the root on first use (under /dev/shm when it exists) and points the toolkit at it.
// With withBundle the staged lock bundle is copied in.
const std::string& privateRoot(bool withBundle = false);
// Silences NSLog on stderr: the targets log on almost every input.
void quietLogs();

// A command line from the input: the program's name, then one argument per NUL-separated piece
// (empty ones included, as a shell passes "").
class CommandLine {
public:
    CommandLine(const char* program, const std::uint8_t* data, std::size_t size);
    int argc() const { return static_cast<int>(pointers_.size()) - 1; }
    const char* const* argv() const { return pointers_.data(); }

private:
    std::vector<std::string> words_;
    std::vector<const char*> pointers_;
};

} // namespace fuzz
