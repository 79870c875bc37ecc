#pragma once
#include <ostream>

class NSUserDefaults;
struct Failure;

// How the tool says that a domain's file could not be read or written.
class DefaultsFailure {
public:
    // A file that cannot be read is no empty domain: says why; answers the exit status, 1.
    static int readFailed(const NSUserDefaults& defaults, const Failure& why, std::ostream& err);
    // Says that the domain was not written and why; answers the exit status, 1.
    static int writeFailed(const NSUserDefaults& defaults, const Failure& why, std::ostream& err);
};
