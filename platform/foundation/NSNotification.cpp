#include "platform/foundation/NSNotification.h"

#include <cstdio>

std::string NSNotification::description() const
{
    char address[32];
    std::snprintf(address, sizeof address, "%p", static_cast<const void*>(this));
    return std::string("NSConcreteNotification ") + address + " {name = " + name_
        + (object_ ? "; object = " + object_->description() : std::string()) + "}";
}
