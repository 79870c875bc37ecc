#pragma once
#include "platform/runtime/NSObject.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

// An immutable map from string keys to objects, as a property list holds it; keys stay sorted.
class NSDictionary final : public NSObject {
public:
    using Storage = std::map<std::string, std::shared_ptr<NSObject>>;
    explicit NSDictionary(Storage entries) : entries_(std::move(entries)) { }
    static std::shared_ptr<NSDictionary> dictionaryWithDictionary(Storage entries);

    GLYPHWARD_RUNTIME_CLASS(NSDictionary, NSObject);
    // The old-style property list text: "{\n    key = value;\n}".
    std::string description() const override;
    bool isEqual(const NSObject* other) const override;
    NSUInteger count() const { return static_cast<NSUInteger>(entries_.size()); }
    // The value for key, or null.
    std::shared_ptr<NSObject> objectForKey(const std::string& key) const;
    const Storage& entries() const { return entries_; }

private:
    Storage entries_;
};
