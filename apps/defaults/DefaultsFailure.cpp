#include "DefaultsFailure.h"

#include "platform/foundation/Failure.h"
#include "platform/foundation/NSUserDefaults.h"

int DefaultsFailure::readFailed(const NSUserDefaults& defaults, const Failure& why, std::ostream& err)
{
    err << "Could not read domain " << defaults.domain() << ": " << defaults.path() << ": " << why.message << "\n";
    return 1;
}

int DefaultsFailure::writeFailed(const NSUserDefaults& defaults, const Failure& why, std::ostream& err)
{
    err << "Could not write domain " << defaults.domain() << "; defaults have not been changed.\n";
    if (!why.message.empty())
        err << "Cause: " << why.message << "\n";
    return 1;
}
