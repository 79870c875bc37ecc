#pragma once
#include <ostream>

class NSUserDefaults;

// How the tool says that a domain's file could not be read or written.
class DefaultsFailure {
public:
    // A file that cannot be read is no empty domain: says why and answers true, or answers false
    // when the last read found it (or found it missing).
    static bool unreadable(const NSUserDefaults& defaults, std::ostream& err);
    // Says that the domain was not written and why; answers the exit status, 1.
    static int writeFailed(const NSUserDefaults& defaults, std::ostream& err);
};
