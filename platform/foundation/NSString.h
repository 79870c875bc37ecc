#pragma once
#include "platform/runtime/NSObject.h"

#include <memory>
#include <string>

// A boxed, immutable string, as the settings store, key-value reads and %@ see text.
class NSString final : public NSObject {
public:
    explicit NSString(std::string value) : value_(std::move(value)) { }
    static std::shared_ptr<NSString> stringWithString(std::string value) { return std::make_shared<NSString>(std::move(value)); }

    GLYPHWARD_RUNTIME_CLASS(NSString, NSObject);
    std::string description() const override { return value_; }
    bool isEqual(const NSObject* other) const override;
    bool isEqualToString(const std::string& other) const { return value_ == other; }
    const std::string& string() const { return value_; }

private:
    std::string value_;
};
