// NSObject's delayed perform lives beside the run loop it schedules on, as a Foundation category
// adds it on the device: the object runtime below declares it and knows nothing of run loops.
#include "platform/foundation/NSRunLoop.h"
#include "platform/runtime/NSObject.h"

void NSObject::performSelector(SEL selector, std::shared_ptr<NSObject> object, NSTimeInterval afterDelay)
{
    // The run loop holds the receiver and the argument until the perform fires, as the toolkit does.
    NSRunLoop::mainRunLoop().schedule(afterDelay, [target = shared_from_this(), selector, object = std::move(object)] {
        objc_sendAction(target.get(), selector, object.get());
    });
}
