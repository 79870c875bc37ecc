#pragma once
#include "platform/runtime/NSObject.h"

#include <memory>
#include <optional>
#include <string>

// Turns property lists (XML or binary) into boxed objects and back: NSDictionary, NSArray,
// NSString, NSNumber, NSData and NSDate.
class NSPropertyListSerialization {
public:
    enum class Format { XML, Binary };

    // The object the bytes encode, or null when they are not a whole, well-formed property list
    // or nest deeper than any settings file. Text that is not UTF-8 comes back repaired.
    static std::shared_ptr<NSObject> propertyListWithData(const std::string& bytes);
    // The encoded bytes, or nothing when the object (or one inside it) has no form in the format:
    // XML cannot hold most control characters nor U+FFFE and U+FFFF, which the binary form can.
    static std::optional<std::string> dataWithPropertyList(const NSObject* object, Format format);
    // Whether dataWithPropertyList would encode the object (propertyList:isValidForFormat:).
    static bool propertyList(const NSObject* plist, Format format);
    // Why dataWithPropertyList would not encode the object, or nothing when it would.
    static std::optional<std::string> reasonNotPropertyList(const NSObject* plist, Format format);
};
