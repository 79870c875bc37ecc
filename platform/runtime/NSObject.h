#pragma once
#include "platform/Naming.h"
#include "platform/runtime/Runtime.h"

#include <memory>
#include <string>
#include <type_traits>

using BOOL = bool;
using NSInteger = std::int32_t;
using NSUInteger = std::uint32_t;
using NSTimeInterval = double;

// What every object answers, whatever its base: the part of NSObject that protocols adopt.
class NSObjectProtocol {
public:
    virtual ~NSObjectProtocol() = default;
    // Whether a message with this selector would find an implementation.
    virtual bool respondsToSelector(SEL selector) const = 0;
    // The text that %@ prints for this object.
    virtual std::string description() const = 0;
};

// Declares, first thing in a class's public section, the class's place in the runtime: its
// runtime name (the C++ name), its superclass (a base that declares its own), the className()
// override that answers the name, and the class's registration under that superclass, made
// when the program loads. The methods a class adds are registered with ClassRegistration::of
// (runtime/RuntimeThunks.h), which refuses to compile for a class without this declaration: a
// subclass cannot register methods and still answer its base's name.
#define GLYPHWARD_RUNTIME_CLASS(Name, Super) GLYPHWARD_RUNTIME_CLASS_NAMED(#Name, Super)
// The same for a class known to the runtime by another name than its C++ one.
#define GLYPHWARD_RUNTIME_CLASS_NAMED(RuntimeName, Super)                                      \
    using RuntimeSuperclass = Super;                                                           \
    auto runtimeDeclaringClass() const->std::remove_cv_t<std::remove_pointer_t<decltype(this)>>; \
    static constexpr const char* runtimeName = RuntimeName;                                    \
    const char* className() const override { return runtimeName; }                             \
    static inline const Class runtimeClass = objc_registerClass(runtimeName, Super::runtimeName)

class NSObject : public virtual NSObjectProtocol, public std::enable_shared_from_this<NSObject> {
public:
    static constexpr const char* runtimeName = "NSObject";
    static inline const Class runtimeClass = objc_registerClass(runtimeName, nullptr);

    NSObject() = default;
    NSObject(const NSObject&) = delete;
    NSObject& operator=(const NSObject&) = delete;
    ~NSObject() override = default;

    // The runtime name of the object's class; a subclass that declares GLYPHWARD_RUNTIME_CLASS
    // answers its own, any other its nearest declared base's.
    virtual const char* className() const { return runtimeName; }
    // Asks the runtime, walking the superclasses of the class named by className().
    bool respondsToSelector(SEL selector) const override;
    std::string description() const override;
    // A small key-value read for tools and tests: the named property, boxed, or null.
    virtual std::shared_ptr<NSObject> valueForKey(const std::string& key) const;
    // Whether both are the same object or, for value objects, equal values.
    virtual bool isEqual(const NSObject* other) const { return other == this; }

    // Sends the selector with one object argument through the runtime; nothing when not answered.
    void performSelector(SEL selector, NSObject* object = nullptr);
    // Schedules the selector on the main run loop; the object and its argument are held until then.
    // Defined with the run loop, in foundation/NSObjectDelayedPerforming.cpp.
    void performSelector(SEL selector, std::shared_ptr<NSObject> object, NSTimeInterval afterDelay);

    template <class T> std::shared_ptr<T> self() { return std::dynamic_pointer_cast<T>(shared_from_this()); }
    template <class T> std::shared_ptr<const T> self() const { return std::dynamic_pointer_cast<const T>(shared_from_this()); }
};

using id = NSObject*;

template <class T> std::shared_ptr<T> alloc() { return std::make_shared<T>(); }
