#include "platform/foundation/NSPropertyListSerialization.h"

#include "platform/foundation/BinaryPlistCheck.h"
#include "platform/foundation/NSArray.h"
#include "platform/foundation/NSData.h"
#include "platform/foundation/NSDate.h"
#include "platform/foundation/NSDictionary.h"
#include "platform/foundation/NSNumber.h"
#include "platform/foundation/NSString.h"

#include <plist/plist.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>

namespace {
// Property list dates count from 2001-01-01 00:00:00 UTC.
constexpr double kSeconds1970To2001 = 978307200.0;
// Deeper nesting than this is no settings file; refusing it keeps the recursion bounded.
constexpr int kMaxDepth = 128;

struct PlistDeleter {
    void operator()(plist_t node) const { plist_free(node); }
};
using Plist = std::unique_ptr<void, PlistDeleter>;

std::shared_ptr<NSObject> toObject(plist_t node, int depth)
{
    if (!node || depth > kMaxDepth)
        return nullptr;
    switch (plist_get_node_type(node)) {
    case PLIST_BOOLEAN: {
        std::uint8_t value = 0;
        plist_get_bool_val(node, &value);
        return NSNumber::numberWithBool(value != 0);
    }
    case PLIST_UINT: {
        std::uint64_t value = 0;
        plist_get_uint_val(node, &value);
        // The library keeps negative integers in two's complement.
        return NSNumber::numberWithInteger(static_cast<std::int64_t>(value));
    }
    case PLIST_UID: {
        std::uint64_t value = 0;
        plist_get_uid_val(node, &value);
        return NSNumber::numberWithInteger(static_cast<std::int64_t>(value));
    }
    case PLIST_REAL: {
        double value = 0;
        plist_get_real_val(node, &value);
        return NSNumber::numberWithDouble(value);
    }
    case PLIST_STRING:
    case PLIST_KEY: {
        std::uint64_t length = 0;
        const char* text = plist_get_string_ptr(node, &length);
        return NSString::stringWithString(text ? std::string(text, length) : std::string());
    }
    case PLIST_DATA: {
        std::uint64_t length = 0;
        const char* bytes = plist_get_data_ptr(node, &length);
        return NSData::dataWithBytes(bytes, bytes ? length : 0);
    }
    case PLIST_DATE: {
        std::int32_t seconds = 0, micro = 0;
        plist_get_date_val(node, &seconds, &micro);
        return NSDate::dateWithTimeIntervalSince1970(kSeconds1970To2001 + seconds + micro / 1e6);
    }
    case PLIST_ARRAY: {
        std::vector<std::shared_ptr<NSObject>> objects;
        std::uint32_t count = plist_array_get_size(node);
        for (std::uint32_t i = 0; i < count; ++i) {
            auto object = toObject(plist_array_get_item(node, i), depth + 1);
            if (!object)
                return nullptr;
            objects.push_back(std::move(object));
        }
        return NSArray::arrayWithArray(std::move(objects));
    }
    case PLIST_DICT: {
        NSDictionary::Storage entries;
        plist_dict_iter iter = nullptr;
        plist_dict_new_iter(node, &iter);
        for (;;) {
            char* key = nullptr;
            plist_t value = nullptr;
            plist_dict_next_item(node, iter, &key, &value);
            if (!value) {
                std::free(key);
                break;
            }
            auto object = toObject(value, depth + 1);
            std::string name = key ? key : "";
            std::free(key);
            if (!object) {
                std::free(iter);
                return nullptr;
            }
            entries[name] = std::move(object);
        }
        std::free(iter);
        return NSDictionary::dictionaryWithDictionary(std::move(entries));
    }
    default:
        return nullptr;
    }
}

Plist toPlist(const NSObject* object, int depth)
{
    if (!object || depth > kMaxDepth)
        return nullptr;
    if (auto* number = dynamic_cast<const NSNumber*>(object)) {
        switch (number->kind()) {
        case NSNumber::Kind::Bool: return Plist(plist_new_bool(number->boolValue() ? 1 : 0));
        case NSNumber::Kind::Integer: return Plist(plist_new_uint(static_cast<std::uint64_t>(number->integerValue())));
        case NSNumber::Kind::Real: return Plist(plist_new_real(number->doubleValue()));
        }
    }
    if (auto* string = dynamic_cast<const NSString*>(object))
        return Plist(plist_new_string(string->string().c_str()));
    if (auto* data = dynamic_cast<const NSData*>(object))
        return Plist(plist_new_data(reinterpret_cast<const char*>(data->bytes().data()), data->bytes().size()));
    if (auto* date = dynamic_cast<const NSDate*>(object)) {
        double since2001 = date->timeIntervalSince1970() - kSeconds1970To2001;
        constexpr double lowest = std::numeric_limits<std::int32_t>::min();
        constexpr double highest = std::numeric_limits<std::int32_t>::max();
        if (std::isnan(since2001))
            return nullptr;
        // The parser counts dates in 32-bit seconds, so it reads dates it cannot write (before
        // 1933, after 2069). Refusing them would make every later write of the file fail, the
        // passcode's included; they are kept at the nearest date that can be written instead.
        since2001 = std::clamp(since2001, lowest, highest);
        double whole = std::floor(since2001);
        auto micro = static_cast<std::int32_t>(std::lround((since2001 - whole) * 1e6));
        auto seconds = static_cast<std::int32_t>(whole);
        if (micro >= 1000000 && seconds < std::numeric_limits<std::int32_t>::max()) {
            micro -= 1000000;
            ++seconds;
        }
        return Plist(plist_new_date(seconds, micro));
    }
    if (auto* array = dynamic_cast<const NSArray*>(object)) {
        Plist node(plist_new_array());
        for (const auto& item : array->objects()) {
            Plist child = toPlist(item.get(), depth + 1);
            if (!child)
                return nullptr;
            plist_array_append_item(node.get(), child.release());
        }
        return node;
    }
    if (auto* dictionary = dynamic_cast<const NSDictionary*>(object)) {
        Plist node(plist_new_dict());
        for (const auto& [key, value] : dictionary->entries()) {
            Plist child = toPlist(value.get(), depth + 1);
            if (!child)
                return nullptr;
            plist_dict_set_item(node.get(), key.c_str(), child.release());
        }
        return node;
    }
    return nullptr;
}

// The refusals of toPlist, without building anything: checking a value costs no encoding.
bool hasPlistForm(const NSObject* object, int depth)
{
    if (!object || depth > kMaxDepth)
        return false;
    if (dynamic_cast<const NSNumber*>(object) || dynamic_cast<const NSString*>(object) || dynamic_cast<const NSData*>(object))
        return true;
    if (auto* date = dynamic_cast<const NSDate*>(object))
        return !std::isnan(date->timeIntervalSince1970());
    if (auto* array = dynamic_cast<const NSArray*>(object))
        return std::all_of(array->objects().begin(), array->objects().end(),
                           [depth](const auto& item) { return hasPlistForm(item.get(), depth + 1); });
    if (auto* dictionary = dynamic_cast<const NSDictionary*>(object))
        return std::all_of(dictionary->entries().begin(), dictionary->entries().end(),
                           [depth](const auto& entry) { return hasPlistForm(entry.second.get(), depth + 1); });
    return false;
}
} // namespace

std::shared_ptr<NSObject> NSPropertyListSerialization::propertyListWithData(const std::string& bytes)
{
    if (bytes.empty() || bytes.size() > std::numeric_limits<std::uint32_t>::max())
        return nullptr;
    if (BinaryPlistCheck::hasStringWithNul(bytes))
        return nullptr;
    plist_t raw = nullptr;
    plist_from_memory(bytes.data(), static_cast<std::uint32_t>(bytes.size()), &raw);
    Plist root(raw);
    return toObject(root.get(), 0);
}

std::optional<std::string> NSPropertyListSerialization::dataWithPropertyList(const NSObject* object, Format format)
{
    Plist root = toPlist(object, 0);
    if (!root)
        return std::nullopt;
    char* bytes = nullptr;
    std::uint32_t length = 0;
    if (format == Format::XML) {
        plist_to_xml(root.get(), &bytes, &length);
        if (!bytes)
            return std::nullopt;
        std::string text(bytes, length);
        plist_to_xml_free(bytes);
        return text;
    }
    plist_to_bin(root.get(), &bytes, &length);
    if (!bytes)
        return std::nullopt;
    std::string data(bytes, length);
    plist_to_bin_free(bytes);
    return data;
}

bool NSPropertyListSerialization::propertyList(const NSObject* plist, Format)
{
    // Both forms hold the same values here, so the format does not change the answer.
    return hasPlistForm(plist, 0);
}
