#pragma once
#include <istream>
#include <ostream>
#include <string>

// The files of `export` and `import`: a path, or "-" for standard output or input.
class DefaultsTransfer {
public:
    // The whole file (or input); false, with why, when it cannot be read.
    static bool readAll(const std::string& path, std::istream& in, std::string& bytes, std::string& why);
    // Writes the bytes; a regular file (or a new one) is replaced whole, through a temporary file
    // beside it, so a failed export never leaves half a file; false, with why, when it fails.
    static bool writeAll(const std::string& path, const std::string& bytes, std::ostream& out, std::string& why);
    // How messages name the path: "-" is said as standard input or output.
    static std::string nameOf(const std::string& path, bool input);
};
