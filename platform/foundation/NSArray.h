#pragma once
#include "platform/runtime/NSObject.h"

#include <memory>
#include <string>
#include <vector>

// An immutable, ordered list of objects, as a property list holds them.
class NSArray final : public NSObject {
public:
    explicit NSArray(std::vector<std::shared_ptr<NSObject>> objects) : objects_(std::move(objects)) { }
    static std::shared_ptr<NSArray> arrayWithArray(std::vector<std::shared_ptr<NSObject>> objects);

    GLYPHWARD_RUNTIME_CLASS(NSArray, NSObject);
    // The old-style property list text: "(\n    a,\n    b\n)".
    std::string description() const override;
    bool isEqual(const NSObject* other) const override;
    NSUInteger count() const { return static_cast<NSUInteger>(objects_.size()); }
    const std::vector<std::shared_ptr<NSObject>>& objects() const { return objects_; }

private:
    std::vector<std::shared_ptr<NSObject>> objects_;
};
