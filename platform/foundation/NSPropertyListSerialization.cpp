#include "platform/foundation/NSPropertyListSerialization.h"

#include "platform/foundation/BinaryPlistCheck.h"
#include "platform/foundation/NSArray.h"
#include "platform/foundation/NSData.h"
#include "platform/foundation/NSDate.h"
#include "platform/foundation/NSDictionary.h"
#include "platform/foundation/NSNumber.h"
#include "platform/foundation/NSString.h"
#include "platform/foundation/PlistHandle.h"
#include "platform/foundation/PlistTextCheck.h"
#include "platform/foundation/TextEncoding.h"
#include "platform/foundation/XmlPlistCheck.h"


#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

namespace {
// Property list dates count from 2001-01-01 00:00:00 UTC.
constexpr double kSeconds1970To2001 = 978307200.0;
// Deeper nesting than this is no settings file; refusing it keeps every recursion over a
// value (the parser's, the conversions here, the printing of it) bounded. Values the lock
// never reads may nest deep, and the parser takes thousands of levels, under the address
// sanitizer too, on the main thread's stack.
constexpr int kMaxDepth = 512;
// The parser copies a container at every reference to it. Ordinary sharing (a dictionary held
// by thousands of entries) is read whole; a file that expands to more objects than this, and
// than eight for each of its bytes, is built to blow the copies up.
constexpr std::uint64_t kMinObjectBudget = 1 << 21;
constexpr std::uint64_t kObjectsPerByte = 8;

using Format = NSPropertyListSerialization::Format;

// Text as read from a file, with the stand-in for NUL (see BinaryPlistCheck) turned back: into
// NUL in a value, into U+FFFD in a key, which no key written here can hold. The parser takes
// bytes that are no UTF-8 text, which could never be written back; like a date out of range,
// such text is kept as the nearest text that can.
struct Reading {
    char standIn = 0;
};

std::string readText(std::string_view text, const Reading& reading, bool key)
{
    std::string result(text);
    if (reading.standIn != 0)
        std::replace(result.begin(), result.end(), reading.standIn, '\0');
    if (key)
        for (std::size_t at = 0; (at = result.find('\0', at)) != std::string::npos; at += 3)
            result.replace(at, 1, "\xEF\xBF\xBD");
    if (PlistTextCheck::fit(result) == PlistTextCheck::Fit::Nowhere)
        return PlistTextCheck::repaired(result);
    return result;
}

std::shared_ptr<NSObject> toObject(plist_t node, int depth, const Reading& reading);

std::shared_ptr<NSObject> toArray(plist_t node, int depth, const Reading& reading)
{
    std::vector<std::shared_ptr<NSObject>> objects;
    objects.reserve(plist_array_get_size(node));
    // An iterator, not an index: the library finds an item by index walking from the first.
    plist_array_iter iterator = nullptr;
    plist_array_new_iter(node, &iterator);
    const PlistIterator owner(iterator);
    for (;;) {
        plist_t item = nullptr;
        plist_array_next_item(node, iterator, &item);
        if (!item)
            break;
        auto object = toObject(item, depth + 1, reading);
        if (!object)
            return nullptr;
        objects.push_back(std::move(object));
    }
    return NSArray::arrayWithArray(std::move(objects));
}

std::shared_ptr<NSObject> toDictionary(plist_t node, int depth, const Reading& reading)
{
    NSDictionary::Storage entries;
    plist_dict_iter iterator = nullptr;
    plist_dict_new_iter(node, &iterator);
    const PlistIterator owner(iterator);
    for (;;) {
        char* name = nullptr;
        plist_t value = nullptr;
        plist_dict_next_item(node, iterator, &name, &value);
        const PlistKey key(name);
        if (!value)
            break;
        auto object = toObject(value, depth + 1, reading);
        if (!object)
            return nullptr;
        entries[readText(key ? key.get() : "", reading, true)] = std::move(object);
    }
    return NSDictionary::dictionaryWithDictionary(std::move(entries));
}

// Numbers, booleans and UIDs (as numbers).
std::shared_ptr<NSObject> toNumber(plist_t node)
{
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
    default: {
        double value = 0;
        plist_get_real_val(node, &value);
        return NSNumber::numberWithDouble(value);
    }
    }
}

std::shared_ptr<NSObject> toObject(plist_t node, int depth, const Reading& reading)
{
    if (!node || depth > kMaxDepth)
        return nullptr;
    switch (plist_get_node_type(node)) {
    case PLIST_BOOLEAN:
    case PLIST_UINT:
    case PLIST_UID:
    case PLIST_REAL: return toNumber(node);
    case PLIST_STRING:
    case PLIST_KEY: {
        std::uint64_t length = 0;
        const char* text = plist_get_string_ptr(node, &length);
        return NSString::stringWithString(readText(text ? std::string_view(text, length) : std::string_view(), reading, false));
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
    case PLIST_ARRAY: return toArray(node, depth, reading);
    case PLIST_DICT: return toDictionary(node, depth, reading);
    default: return nullptr;
    }
}

PlistHandle toPlistDate(const NSDate& date)
{
    double since2001 = date.timeIntervalSince1970() - kSeconds1970To2001;
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
    return PlistHandle(plist_new_date(seconds, micro));
}

// A string node for text that holds NUL, which plist_new_string would cut there. The binary
// parser keeps the whole length of UTF-16 text and the binary writer writes it, so the node is
// parsed from a one-object binary plist that holds the text.
PlistHandle stringNodeWithNul(const std::string& text)
{
    std::optional<std::string> utf16 = TextEncoding::convert(text, "UTF-8", "UTF-16BE");
    if (!utf16)
        return nullptr;
    const std::uint64_t units = utf16->size() / 2;
    std::string bytes = "bplist00";
    const auto bigEndian = [&bytes](std::uint64_t value, unsigned size) {
        for (unsigned i = size; i-- > 0;)
            bytes += static_cast<char>((value >> (8 * i)) & 0xFF);
    };
    if (units < 15) {
        bytes += static_cast<char>(0x60 | units);
    } else {
        bytes += '\x6F';
        bytes += '\x13';
        bigEndian(units, 8);
    }
    bytes += *utf16;
    const std::uint64_t table = bytes.size();
    bigEndian(8, 8);
    // The trailer: six unused bytes, offset and reference sizes, object count, top, table.
    bytes.append(6, '\0');
    bytes += '\x08';
    bytes += '\x01';
    bigEndian(1, 8);
    bigEndian(0, 8);
    bigEndian(table, 8);
    PlistHandle node = plistFromMemory(bytes);
    std::uint64_t length = 0;
    if (!node || plist_get_node_type(node.get()) != PLIST_STRING || !plist_get_string_ptr(node.get(), &length) || length != text.size())
        return nullptr;
    return node;
}

PlistHandle toPlist(const NSObject* object, int depth)
{
    if (!object || depth > kMaxDepth)
        return nullptr;
    if (auto* number = dynamic_cast<const NSNumber*>(object)) {
        switch (number->kind()) {
        case NSNumber::Kind::Bool: return PlistHandle(plist_new_bool(number->boolValue() ? 1 : 0));
        case NSNumber::Kind::Integer: return PlistHandle(plist_new_uint(static_cast<std::uint64_t>(number->integerValue())));
        case NSNumber::Kind::Real: return PlistHandle(plist_new_real(number->doubleValue()));
        }
    }
    if (auto* string = dynamic_cast<const NSString*>(object)) {
        if (string->string().find('\0') != std::string::npos)
            return stringNodeWithNul(string->string());
        return PlistHandle(plist_new_string(string->string().c_str()));
    }
    if (auto* data = dynamic_cast<const NSData*>(object))
        return PlistHandle(plist_new_data(reinterpret_cast<const char*>(data->bytes().data()), data->bytes().size()));
    if (auto* date = dynamic_cast<const NSDate*>(object))
        return toPlistDate(*date);
    if (auto* array = dynamic_cast<const NSArray*>(object)) {
        PlistHandle node(plist_new_array());
        for (const auto& item : array->objects()) {
            PlistHandle child = toPlist(item.get(), depth + 1);
            if (!child)
                return nullptr;
            plist_array_append_item(node.get(), child.release());
        }
        return node;
    }
    if (auto* dictionary = dynamic_cast<const NSDictionary*>(object)) {
        PlistHandle node(plist_new_dict());
        for (const auto& [key, value] : dictionary->entries()) {
            PlistHandle child = toPlist(value.get(), depth + 1);
            if (!child)
                return nullptr;
            plist_dict_set_item(node.get(), key.c_str(), child.release());
        }
        return node;
    }
    return nullptr;
}

// Why text cannot be written in the format, or nothing when it can.
std::optional<std::string> textRefusal(const std::string& text, const char* what, Format format)
{
    std::string culprit;
    switch (PlistTextCheck::fit(text, &culprit)) {
    case PlistTextCheck::Fit::Xml: return std::nullopt;
    case PlistTextCheck::Fit::BinaryOnly:
        if (format == Format::Binary)
            return std::nullopt;
        return std::string(what) + " holds " + culprit + ", which an XML property list cannot hold";
    case PlistTextCheck::Fit::Nowhere: break;
    }
    return std::string(what) + " holds " + culprit + ", which no property list can hold as text";
}

// The refusals of toPlistHandle and of the text checks, without building anything: checking a value
// costs no encoding.
std::optional<std::string> refusal(const NSObject* object, int depth, Format format)
{
    if (!object)
        return "a null value is not a property list value";
    if (depth > kMaxDepth)
        return "values nest deeper than " + std::to_string(kMaxDepth) + " levels";
    if (auto* string = dynamic_cast<const NSString*>(object))
        return textRefusal(string->string(), "the text", format);
    if (dynamic_cast<const NSNumber*>(object) || dynamic_cast<const NSData*>(object))
        return std::nullopt;
    if (auto* date = dynamic_cast<const NSDate*>(object)) {
        if (std::isnan(date->timeIntervalSince1970()))
            return "a date that is not a number has no property list form";
        return std::nullopt;
    }
    if (auto* array = dynamic_cast<const NSArray*>(object)) {
        for (const auto& item : array->objects())
            if (auto why = refusal(item.get(), depth + 1, format))
                return why;
        return std::nullopt;
    }
    if (auto* dictionary = dynamic_cast<const NSDictionary*>(object)) {
        for (const auto& [key, value] : dictionary->entries()) {
            if (key.find('\0') != std::string::npos)
                return std::string("a key holds U+0000, which no property list key written here can hold");
            if (auto why = textRefusal(key, "a key", format))
                return why;
            if (auto why = refusal(value.get(), depth + 1, format))
                return why;
        }
        return std::nullopt;
    }
    return std::string("an object of class ") + object->className() + " is not a property list value";
}

// The XML text with every carriage return written as a character reference: a reader takes a
// raw one for a line end and would read a different text. The writer puts none of its own.
std::string withEscapedReturns(std::string xml)
{
    for (std::size_t at = xml.find('\r'); at != std::string::npos; at = xml.find('\r', at + 5))
        xml.replace(at, 1, "&#13;");
    return xml;
}
} // namespace

std::shared_ptr<NSObject> NSPropertyListSerialization::propertyListWithData(const std::string& bytes)
{
    std::optional<std::string> text = TextEncoding::xmlAsUtf8(bytes);
    if (!text || text->empty() || text->size() > std::numeric_limits<std::uint32_t>::max())
        return nullptr;
    Reading reading;
    const int standIn = BinaryPlistCheck::standInForNuls(*text);
    if (standIn < 0)
        return nullptr;
    reading.standIn = static_cast<char>(standIn);
    // Nesting beyond what the conversion below takes is refused before the parser recurses into
    // it; a lone value is one level, and the plist element adds one more in XML.
    const std::uint64_t budget = std::max<std::uint64_t>(kObjectsPerByte * text->size(), kMinObjectBudget);
    if (BinaryPlistCheck::expandsBeyond(*text, kMaxDepth + 2, budget) || XmlPlistCheck::nestsDeeperThan(*text, kMaxDepth + 3))
        return nullptr;
    return toObject(plistFromMemory(*text).get(), 0, reading);
}

std::optional<std::string> NSPropertyListSerialization::dataWithPropertyList(const NSObject* object, Format format)
{
    if (refusal(object, 0, format))
        return std::nullopt;
    PlistHandle root = toPlist(object, 0);
    if (!root)
        return std::nullopt;
    char* bytes = nullptr;
    std::uint32_t length = 0;
    if (format == Format::XML) {
        plist_to_xml(root.get(), &bytes, &length);
        const std::unique_ptr<char, void (*)(char*)> text(bytes, &plist_to_xml_free);
        return text ? std::optional(withEscapedReturns(std::string(text.get(), length))) : std::nullopt;
    }
    plist_to_bin(root.get(), &bytes, &length);
    const std::unique_ptr<char, void (*)(char*)> data(bytes, &plist_to_bin_free);
    return data ? std::optional(std::string(data.get(), length)) : std::nullopt;
}

bool NSPropertyListSerialization::propertyList(const NSObject* plist, Format format) { return !refusal(plist, 0, format); }

std::optional<std::string> NSPropertyListSerialization::reasonNotPropertyList(const NSObject* plist, Format format)
{
    return refusal(plist, 0, format);
}
