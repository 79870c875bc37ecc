#pragma once
#include "platform/foundation/NSObject.h"

#include <memory>
#include <optional>
#include <string>

// Turns property lists (XML or binary) into boxed objects and back: NSDictionary, NSArray,
// NSString, NSNumber, NSData and NSDate.
class NSPropertyListSerialization {
public:
    enum class Format { XML, Binary };

    // The object the bytes encode, or null when they are not a whole, well-formed property list.
    static std::shared_ptr<NSObject> propertyListWithData(const std::string& bytes);
    // The encoded bytes, or nothing when the object (or one inside it) has no property list form.
    static std::optional<std::string> dataWithPropertyList(const NSObject* object, Format format);
    // Whether dataWithPropertyList would encode the object (propertyList:isValidForFormat:).
    static bool propertyList(const NSObject* plist, Format format);
};
