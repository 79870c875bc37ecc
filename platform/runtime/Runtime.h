#pragma once
// A small object runtime in the shape of the Objective-C one: classes by name, methods by
// selector, message sends that look the implementation up at each call, and a hook that puts a
// new implementation in place and hands back the old one. C-style on purpose: implementations
// are plain functions taking (receiver, selector, arguments...), and callers cast them to the
// shape of the method, exactly as they would an IMP.
#include <cstddef>
#include <memory>
#include <type_traits>
#include <string_view>
#include <utility>

class NSObject;
struct objc_selector;
struct objc_class;

using SEL = const objc_selector*;
using Class = objc_class*;
using IMP = void (*)();

// The one selector of that name; the same name always gives the same pointer.
SEL sel_registerName(const char* name);
SEL sel(std::string_view name);
const char* sel_getName(SEL selector);

// The class registered under the name, or null.
Class objc_getClass(const char* name);
// Registers a class under its superclass's name (null for a root); answers the existing class if
// the name is taken. The superclass may be registered later: names are linked, not order.
Class objc_registerClass(const char* name, const char* superclassName);
const char* class_getName(Class cls);
Class class_getSuperclass(Class cls);
// Adds a method to the class itself; false (and nothing changes) if the class already has one.
bool class_addMethod(Class cls, SEL selector, IMP imp);
// The implementation a message would find, walking superclasses; null if none.
IMP class_getMethodImplementation(Class cls, SEL selector);
bool class_respondsToSelector(Class cls, SEL selector);
// The runtime class of an object (looked up by its className()); null for null or unregistered.
Class object_getClass(const NSObject* object);

// Makes every later send of the selector to instances of the class enter hook. The replaced
// implementation (the class's own or the inherited one) is written to *result. With no class,
// or no such method on it or its superclasses, nothing is installed and *result becomes null.
extern "C" void MSHookMessageEx(Class cls, SEL selector, IMP hook, IMP* result);

// Every class as it stands now: whether it is registered, its superclass and its methods.
// objc_restoreClasses puts that back, undoing the classes registered and the methods added or
// hooked since; Class values stay valid (a fresh process, for tests).
struct objc_class_snapshot;
std::shared_ptr<const objc_class_snapshot> objc_snapshotClasses();
void objc_restoreClasses(const objc_class_snapshot& snapshot);

// Sends a message: looks up the implementation at this call and calls it with the receiver,
// the selector and the arguments, which must match the method's shape exactly. A message to
// null, or one that finds no implementation, does nothing and answers a zero value.
template <class R = void, class... Args>
R objc_msgSend(NSObject* receiver, SEL selector, Args... args)
{
    IMP imp = receiver ? class_getMethodImplementation(object_getClass(receiver), selector) : nullptr;
    if (!imp) {
        if constexpr (std::is_void_v<R>)
            return;
        else
            return R {};
    }
    auto* fn = reinterpret_cast<R (*)(NSObject*, SEL, Args...)>(imp);
    return fn(receiver, selector, std::forward<Args>(args)...);
}

// Sends an action-style selector: with the argument when the selector takes one (its name ends
// in a colon), without it otherwise, so `showLockView` and `resetPasscode:` both get their shape.
void objc_sendAction(NSObject* target, SEL selector, NSObject* argument);

namespace runtime_detail {
template <auto Member> struct Thunk;
template <class C, class R, class... A, R (C::*M)(A...)> struct Thunk<M> {
    static R call(NSObject* self, SEL, A... args);
};
template <class C, class R, class... A, R (C::*M)(A...) const> struct Thunk<M> {
    static R call(NSObject* self, SEL, A... args);
};
} // namespace runtime_detail

// An implementation that calls the member function on the receiver (when it is a C).
template <auto Member> IMP imp_implementationWithMember()
{
    return reinterpret_cast<IMP>(&runtime_detail::Thunk<Member>::call);
}
