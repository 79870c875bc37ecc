#pragma once
#include <iostream>
#include <istream>
#include <ostream>
#include <string>
#include <vector>

// The verbs of `defaults` on the settings files: read, read-type, write, rename, delete,
// domains, find, export and import.
class NSUserDefaults;

class DefaultsTool {
public:
    // `in` is what `import DOMAIN -` reads.
    DefaultsTool(std::ostream& out, std::ostream& err, std::istream& in = std::cin) : out_(out), err_(err), in_(in) { }
    // Runs one command (the words after the options); answers the process exit code:
    // 0 done, 1 no such domain or key, a file it cannot use, or the write failed, 2 the command
    // was not understood.
    int run(const std::vector<std::string>& words);
    static const char* usage();

private:
    int read(const std::vector<std::string>& words);
    int readType(const std::vector<std::string>& words);
    int write(const std::vector<std::string>& words);
    int rename(const std::vector<std::string>& words);
    int remove(const std::vector<std::string>& words);
    int domains(const std::vector<std::string>& words);
    int find(const std::vector<std::string>& words);
    int exportDomain(const std::vector<std::string>& words);
    int importDomain(const std::vector<std::string>& words);
    int misuse(const std::string& why);
    int missingPair(const std::string& domain, const std::string& key);
    int missingDomain(const std::string& domain);
    // Deletes the key of a domain whose file was set aside by starting the domain afresh.
    int startAfresh(NSUserDefaults& defaults, const std::string& key);

    std::ostream& out_;
    std::ostream& err_;
    std::istream& in_;
};
