#include "platform/runtime/NSObject.h"

#include "platform/foundation/NSRunLoop.h"

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

void NSObject::performSelector(SEL selector, std::shared_ptr<NSObject> object, NSTimeInterval afterDelay)
{
    // The run loop holds the receiver and the argument until the perform fires, as the toolkit does.
    NSRunLoop::mainRunLoop().schedule(afterDelay, [target = shared_from_this(), selector, object = std::move(object)] {
        objc_sendAction(target.get(), selector, object.get());
    });
}
