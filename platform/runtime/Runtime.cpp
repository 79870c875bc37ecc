#include "platform/runtime/Runtime.h"

#include "platform/runtime/NSObject.h"
#include "platform/runtime/RuntimeThunks.h"

#include <map>
#include <memory>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

struct objc_selector {
    std::string name;
};

struct objc_class {
    std::string name;
    objc_class* superclass = nullptr;
    bool registered = false;
    std::unordered_map<SEL, IMP> methods;
};

namespace {

std::map<std::string, std::unique_ptr<objc_selector>, std::less<>>& selectors()
{
    static std::map<std::string, std::unique_ptr<objc_selector>, std::less<>> table;
    return table;
}

std::map<std::string, std::unique_ptr<objc_class>, std::less<>>& classes()
{
    static std::map<std::string, std::unique_ptr<objc_class>, std::less<>> table;
    return table;
}

// Entries exist for names that are only mentioned as superclasses, so a subclass registered
// first still links to its superclass once that one registers.
objc_class* entryNamed(std::string_view name)
{
    auto& table = classes();
    auto it = table.find(name);
    if (it == table.end()) {
        auto entry = std::make_unique<objc_class>();
        entry->name = std::string(name);
        it = table.emplace(entry->name, std::move(entry)).first;
    }
    return it->second.get();
}

} // namespace

SEL sel(std::string_view name)
{
    auto& table = selectors();
    auto it = table.find(name);
    if (it == table.end()) {
        auto entry = std::make_unique<objc_selector>(objc_selector { std::string(name) });
        it = table.emplace(entry->name, std::move(entry)).first;
    }
    return it->second.get();
}

SEL sel_registerName(const char* name) { return sel(name ? std::string_view(name) : std::string_view()); }

const char* sel_getName(SEL selector) { return selector ? selector->name.c_str() : "<null selector>"; }

Class objc_getClass(const char* name)
{
    if (!name)
        return nullptr;
    auto it = classes().find(std::string_view(name));
    return it != classes().end() && it->second->registered ? it->second.get() : nullptr;
}

Class objc_registerClass(const char* name, const char* superclassName)
{
    if (!name || !*name)
        return nullptr;
    objc_class* entry = entryNamed(name);
    if (!entry->registered) {
        entry->registered = true;
        entry->superclass = superclassName ? entryNamed(superclassName) : nullptr;
        // A class that would end up among its own superclasses would make every lookup loop
        // forever; it becomes a root instead.
        for (objc_class* c = entry->superclass; c; c = c->superclass) {
            if (c == entry) {
                entry->superclass = nullptr;
                break;
            }
        }
    }
    return entry;
}

const char* class_getName(Class cls) { return cls ? cls->name.c_str() : "nil"; }

Class class_getSuperclass(Class cls) { return cls ? cls->superclass : nullptr; }

bool class_addMethod(Class cls, SEL selector, IMP imp)
{
    if (!cls || !selector || !imp)
        return false;
    return cls->methods.emplace(selector, imp).second;
}

IMP class_getMethodImplementation(Class cls, SEL selector)
{
    for (objc_class* c = cls; c; c = c->superclass) {
        auto it = c->methods.find(selector);
        if (it != c->methods.end())
            return it->second;
    }
    return nullptr;
}

bool class_respondsToSelector(Class cls, SEL selector) { return class_getMethodImplementation(cls, selector) != nullptr; }

Class object_getClass(const NSObject* object) { return object ? objc_getClass(object->className()) : nullptr; }

void MSHookMessageEx(Class cls, SEL selector, IMP hook, IMP* result)
{
    IMP previous = cls ? class_getMethodImplementation(cls, selector) : nullptr;
    if (result)
        *result = previous;
    if (!previous || !hook)
        return;
    // An inherited method is hooked on this class alone, as Substrate does, so the superclass
    // and its other subclasses keep their own implementation.
    cls->methods[selector] = hook;
}

struct objc_class_snapshot {
    struct Entry {
        objc_class* cls;
        bool registered;
        objc_class* superclass;
        std::unordered_map<SEL, IMP> methods;
    };
    std::vector<Entry> entries;
};

std::shared_ptr<const objc_class_snapshot> objc_snapshotClasses()
{
    auto snapshot = std::make_shared<objc_class_snapshot>();
    for (const auto& [name, entry] : classes())
        snapshot->entries.push_back({ entry.get(), entry->registered, entry->superclass, entry->methods });
    return snapshot;
}

void objc_restoreClasses(const objc_class_snapshot& snapshot)
{
    // Entries are never freed, so that a Class kept anywhere stays a valid (if empty) class.
    for (const auto& [name, entry] : classes()) {
        entry->registered = false;
        entry->superclass = nullptr;
        entry->methods.clear();
    }
    for (const auto& saved : snapshot.entries) {
        saved.cls->registered = saved.registered;
        saved.cls->superclass = saved.superclass;
        saved.cls->methods = saved.methods;
    }
}

void objc_sendAction(NSObject* target, SEL selector, NSObject* argument)
{
    std::string_view name = sel_getName(selector);
    if (!name.empty() && name.back() == ':')
        objc_msgSend<void>(target, selector, argument);
    else
        objc_msgSend<void>(target, selector);
}

ClassRegistration& ClassRegistration::method(const char* selector, IMP imp)
{
    class_addMethod(cls_, sel_registerName(selector), imp);
    return *this;
}
