#include "platform/foundation/BinaryPlistCheck.h"

#include <cstdint>

namespace {

constexpr std::size_t kTrailerSize = 32;

// A big-endian unsigned integer of `size` bytes at `at`, or nothing when it does not fit.
bool readUnsigned(std::string_view bytes, std::uint64_t at, unsigned size, std::uint64_t& out)
{
    if (size == 0 || size > 8 || at > bytes.size() || bytes.size() - at < size)
        return false;
    out = 0;
    for (unsigned i = 0; i < size; ++i)
        out = (out << 8) | static_cast<std::uint8_t>(bytes[at + i]);
    return true;
}

// Whether the string object at `offset` (ASCII or UTF-16) holds a NUL.
bool stringHoldsNul(std::string_view bytes, std::uint64_t offset)
{
    if (offset >= bytes.size())
        return false;
    const auto marker = static_cast<std::uint8_t>(bytes[offset]);
    const unsigned kind = marker >> 4;
    if (kind != 0x5 && kind != 0x6)
        return false;
    std::uint64_t count = marker & 0x0F;
    std::uint64_t start = offset + 1;
    if (count == 0x0F) {
        // The length follows as an integer object: a marker 0x1N, then 2^N bytes.
        if (start >= bytes.size())
            return false;
        const auto lengthMarker = static_cast<std::uint8_t>(bytes[start]);
        if ((lengthMarker >> 4) != 0x1 || (lengthMarker & 0x0F) > 3)
            return false;
        const unsigned lengthSize = 1u << (lengthMarker & 0x0F);
        if (!readUnsigned(bytes, start + 1, lengthSize, count))
            return false;
        start += 1 + lengthSize;
    }
    const std::uint64_t unit = kind == 0x6 ? 2 : 1;
    if (start > bytes.size() || count > (bytes.size() - start) / unit)
        return false;
    for (std::uint64_t i = 0; i < count; ++i) {
        if (unit == 1 ? bytes[start + i] == '\0' : (bytes[start + 2 * i] == '\0' && bytes[start + 2 * i + 1] == '\0'))
            return true;
    }
    return false;
}

} // namespace

bool BinaryPlistCheck::hasStringWithNul(std::string_view bytes)
{
    if (bytes.size() < 8 + kTrailerSize || bytes.substr(0, 6) != "bplist")
        return false;
    const std::uint64_t trailer = bytes.size() - kTrailerSize;
    const unsigned offsetSize = static_cast<std::uint8_t>(bytes[trailer + 6]);
    std::uint64_t objects = 0, tableOffset = 0;
    if (!readUnsigned(bytes, trailer + 8, 8, objects) || !readUnsigned(bytes, trailer + 24, 8, tableOffset))
        return false;
    if (offsetSize == 0 || offsetSize > 8 || tableOffset >= bytes.size())
        return false;
    // No file holds more objects than its offset table has room for.
    const std::uint64_t room = (bytes.size() - tableOffset) / offsetSize;
    if (objects > room)
        objects = room;
    for (std::uint64_t i = 0; i < objects; ++i) {
        std::uint64_t offset = 0;
        if (readUnsigned(bytes, tableOffset + i * offsetSize, offsetSize, offset) && stringHoldsNul(bytes, offset))
            return true;
    }
    return false;
}
