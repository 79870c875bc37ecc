#pragma once
// The bodies of the member thunks; they need the complete NSObject to cast the receiver.
#include "platform/runtime/NSObject.h"

namespace runtime_detail {
template <class C, class R, class... A, R (C::*M)(A...)>
R Thunk<M>::call(NSObject* self, SEL, A... args)
{
    auto* object = dynamic_cast<C*>(self);
    if (!object) {
        if constexpr (std::is_void_v<R>)
            return;
        else
            return R {};
    }
    return (object->*M)(std::forward<A>(args)...);
}
template <class C, class R, class... A, R (C::*M)(A...) const>
R Thunk<M>::call(NSObject* self, SEL, A... args)
{
    auto* object = dynamic_cast<const C*>(self);
    if (!object) {
        if constexpr (std::is_void_v<R>)
            return;
        else
            return R {};
    }
    return (object->*M)(std::forward<A>(args)...);
}
} // namespace runtime_detail

// Registers a class and its methods at static-initialisation time:
//   static const ClassRegistration reg = ClassRegistration("TQViewController", "UIViewController")
//       .method("showLockView", imp_implementationWithMember<&TQViewController::showLockView>());
class ClassRegistration {
public:
    ClassRegistration(const char* name, const char* superclassName);
    ClassRegistration& method(const char* selector, IMP imp);
    Class cls() const { return cls_; }

private:
    Class cls_;
};
