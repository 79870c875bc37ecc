#pragma once
#include <ostream>
#include <string>
#include <vector>

// The `read`, `write` and `delete` verbs on the settings files, as `defaults` offers them.
class NSUserDefaults;

class DefaultsTool {
public:
    DefaultsTool(std::ostream& out, std::ostream& err) : out_(out), err_(err) { }
    // Runs one command (the words after the options); answers the process exit code:
    // 0 done, 1 no such domain or key or the write failed, 2 the command was not understood.
    int run(const std::vector<std::string>& words);
    static const char* usage();

private:
    int read(const std::vector<std::string>& words);
    int write(const std::vector<std::string>& words);
    int remove(const std::vector<std::string>& words);
    int misuse(const std::string& why);
    int missingPair(const std::string& domain, const std::string& key);
    int missingDomain(const std::string& domain);
    // Deletes the key of a domain whose file was set aside by starting the domain afresh.
    int startAfresh(NSUserDefaults& defaults, const std::string& key);

    std::ostream& out_;
    std::ostream& err_;
};
