#include "platform/runtime/NSObject.h"

#include <cstdio>

bool NSObject::respondsToSelector(SEL selector) const { return class_respondsToSelector(object_getClass(this), selector); }

std::string NSObject::description() const
{
    char address[32];
    std::snprintf(address, sizeof address, "%p", static_cast<const void*>(this));
    return std::string("<") + className() + ": " + address + ">";
}

std::shared_ptr<NSObject> NSObject::valueForKey(const std::string&) const { return nullptr; }

void NSObject::performSelector(SEL selector, NSObject* object) { objc_sendAction(this, selector, object); }
