#pragma once
#include "platform/runtime/NSObject.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// An immutable run of bytes, boxed.
class NSData final : public NSObject {
public:
    explicit NSData(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) { }
    static std::shared_ptr<NSData> dataWithBytes(const void* bytes, std::size_t length);

    GLYPHWARD_RUNTIME_CLASS(NSData, NSObject);
    // "<0102abcd 0e>": hex in groups of four bytes.
    std::string description() const override;
    bool isEqual(const NSObject* other) const override;
    const std::vector<std::uint8_t>& bytes() const { return bytes_; }
    NSUInteger length() const { return static_cast<NSUInteger>(bytes_.size()); }

private:
    std::vector<std::uint8_t> bytes_;
};
