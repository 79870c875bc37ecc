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

// Whether the class answers className() itself and names a superclass among its bases. Naming an
// inherited member gives a pointer to a member of the class that declares it, so a subclass that
// leaves its className() out does not pass for its base.
template <class T>
concept AnswersOwnClassName = std::is_base_of_v<NSObject, T> && requires { typename T::RuntimeSuperclass; }
    && std::is_same_v<decltype(&T::className), const char* (T::*)() const> && std::is_base_of_v<typename T::RuntimeSuperclass, T>
    && !std::is_same_v<typename T::RuntimeSuperclass, T>;

// Whether the class itself declares GLYPHWARD_RUNTIME_CLASS, and so its runtimeName is its own.
template <class T>
concept DeclaresRuntimeClass
    = AnswersOwnClassName<T> && std::is_same_v<decltype(std::declval<const T&>().runtimeDeclaringClass()), T>;

// Registers a class's methods at static-initialisation time:
//   static const ClassRegistration reg = ClassRegistration::of<TQViewController>()
//       .method("showLockView", imp_implementationWithMember<&TQViewController::showLockView>());
class ClassRegistration {
public:
    // The class as it declares itself, registered under its superclass if it was not yet.
    template <DeclaresRuntimeClass T> static ClassRegistration of() { return of<T>(T::runtimeName); }
    // The same for a class whose className() answers a name chosen at run time, which it
    // declares by hand: a RuntimeSuperclass and its own className().
    template <AnswersOwnClassName T> static ClassRegistration of(const char* name)
    {
        return ClassRegistration(objc_registerClass(name, T::RuntimeSuperclass::runtimeName));
    }

    ClassRegistration& method(const char* selector, IMP imp);
    Class cls() const { return cls_; }

private:
    explicit ClassRegistration(Class cls)
        : cls_(cls)
    {
    }
    Class cls_;
};
