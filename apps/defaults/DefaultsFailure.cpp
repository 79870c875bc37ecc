#include "DefaultsFailure.h"

#include "platform/foundation/NSUserDefaults.h"

bool DefaultsFailure::unreadable(const NSUserDefaults& defaults, std::ostream& err)
{
    std::optional<std::string> why = defaults.readFailure();
    if (why)
        err << "Could not read domain " << defaults.domain() << ": " << defaults.path() << ": " << *why << "\n";
    return why.has_value();
}

int DefaultsFailure::writeFailed(const NSUserDefaults& defaults, std::ostream& err)
{
    err << "Could not write domain " << defaults.domain() << "; defaults have not been changed.\n";
    if (std::string why = defaults.writeFailure(); !why.empty())
        err << "Cause: " << why << "\n";
    return 1;
}
