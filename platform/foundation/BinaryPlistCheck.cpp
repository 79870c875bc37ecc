#include "platform/foundation/BinaryPlistCheck.h"

#include <algorithm>
#include <cstdint>
#include <unordered_map>
#include <vector>

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

// The length of the object whose marker is at `offset`: the marker's low four bits, or, when
// they are all set, an integer object that follows (a marker 0x1N, then 2^N bytes). `start` is
// where the object's contents begin.
bool readObjectLength(std::string_view bytes, std::uint64_t offset, std::uint64_t& count, std::uint64_t& start)
{
    count = static_cast<std::uint8_t>(bytes[offset]) & 0x0F;
    start = offset + 1;
    if (count != 0x0F)
        return true;
    if (start >= bytes.size())
        return false;
    const auto lengthMarker = static_cast<std::uint8_t>(bytes[start]);
    if ((lengthMarker >> 4) != 0x1 || (lengthMarker & 0x0F) > 3)
        return false;
    const unsigned lengthSize = 1u << (lengthMarker & 0x0F);
    if (!readUnsigned(bytes, start + 1, lengthSize, count))
        return false;
    start += 1 + lengthSize;
    return true;
}

// Where the text of the string object at `offset` lies (ASCII or UTF-16, `unit` bytes a
// character); false for any other object or a length that runs past the end.
bool stringSpan(std::string_view bytes, std::uint64_t offset, std::uint64_t& start, std::uint64_t& count, std::uint64_t& unit)
{
    if (offset >= bytes.size())
        return false;
    const unsigned kind = static_cast<std::uint8_t>(bytes[offset]) >> 4;
    if (kind != 0x5 && kind != 0x6)
        return false;
    if (!readObjectLength(bytes, offset, count, start))
        return false;
    unit = kind == 0x6 ? 2 : 1;
    return start <= bytes.size() && count <= (bytes.size() - start) / unit;
}

// The character at index i of a string's text: its byte, or its big-endian UTF-16 unit.
unsigned characterAt(std::string_view bytes, std::uint64_t start, std::uint64_t unit, std::uint64_t i)
{
    const auto byte = [&](std::uint64_t at) { return static_cast<unsigned>(static_cast<std::uint8_t>(bytes[at])); };
    return unit == 1 ? byte(start + i) : (byte(start + 2 * i) << 8) | byte(start + 2 * i + 1);
}

// Where a binary plist keeps its objects, from its trailer.
struct Layout {
    unsigned offsetSize = 0;
    unsigned refSize = 0;
    std::uint64_t objects = 0;
    std::uint64_t top = 0;
    std::uint64_t tableOffset = 0;
};

bool readLayout(std::string_view bytes, Layout& layout)
{
    if (bytes.size() < 8 + kTrailerSize || bytes.substr(0, 6) != "bplist")
        return false;
    const std::uint64_t trailer = bytes.size() - kTrailerSize;
    layout.offsetSize = static_cast<std::uint8_t>(bytes[trailer + 6]);
    layout.refSize = static_cast<std::uint8_t>(bytes[trailer + 7]);
    if (!readUnsigned(bytes, trailer + 8, 8, layout.objects) || !readUnsigned(bytes, trailer + 16, 8, layout.top)
        || !readUnsigned(bytes, trailer + 24, 8, layout.tableOffset))
        return false;
    if (layout.offsetSize == 0 || layout.offsetSize > 8 || layout.tableOffset >= bytes.size())
        return false;
    // No file holds more objects than its offset table has room for.
    layout.objects = std::min(layout.objects, (bytes.size() - layout.tableOffset) / layout.offsetSize);
    return true;
}

// The references held by the container object at `offset` (arrays and sets hold their items,
// dictionaries their keys and values): where they start and how many there are. Anything else
// holds none. A count that runs past the end of the file is cut to what is there, so the walk
// follows every reference the parser could.
bool containerRefs(std::string_view bytes, const Layout& layout, std::uint64_t offset, std::uint64_t& start, std::uint64_t& count)
{
    if (offset >= bytes.size() || layout.refSize == 0 || layout.refSize > 8)
        return false;
    const auto marker = static_cast<std::uint8_t>(bytes[offset]);
    const unsigned kind = marker >> 4;
    if (kind != 0xA && kind != 0xC && kind != 0xD)
        return false;
    if (!readObjectLength(bytes, offset, count, start))
        return false;
    if (start > bytes.size())
        return false;
    const std::uint64_t room = (bytes.size() - start) / layout.refSize;
    count = std::min(count, room);
    if (kind == 0xD)
        count = std::min(count, room / 2) * 2;
    return true;
}

// A walk from the top object with a stack of its own, so that the check itself never recurses.
// Each object's depth and expanded size are found once: references that share an object cost
// nothing more, however often the parser would copy it. Only objects reached are recorded, and
// the walk stops as soon as any of them passes a limit.
class ExpansionWalk {
public:
    ExpansionWalk(std::string_view bytes, const Layout& layout, unsigned maxDepth, std::uint64_t maxObjects)
        : bytes_(bytes)
        , layout_(layout)
        , maxDepth_(maxDepth)
        , maxObjects_(maxObjects)
    {
    }

    // Whether the top object passes a limit or holds itself.
    bool exceedsLimits()
    {
        open(layout_.top);
        while (!stack_.empty()) {
            if (stack_.size() > maxDepth_)
                return true;
            const Frame& frame = stack_.back();
            if (!(frame.next == frame.count ? finishTop() : followNext()))
                return true;
        }
        return false;
    }

private:
    struct Seen {
        bool done = false;
        std::uint32_t depth = 1;
        std::uint64_t size = 1;
    };
    struct Frame {
        std::uint64_t object, refs, count, next;
    };

    void open(std::uint64_t object)
    {
        seen_[object] = Seen{};
        std::uint64_t offset = 0, refs = 0, count = 0;
        if (!readUnsigned(bytes_, layout_.tableOffset + object * layout_.offsetSize, layout_.offsetSize, offset)
            || !containerRefs(bytes_, layout_, offset, refs, count))
            count = 0;
        stack_.push_back({object, refs, count, 0});
    }

    // Adds a finished object to the one that refers to it; false when that one is now too big.
    bool add(Seen& into, const Seen& child) const
    {
        into.depth = std::max(into.depth, child.depth + 1);
        into.size = std::min(into.size + child.size, maxObjects_ + 1);
        return into.size <= maxObjects_ && into.depth <= maxDepth_;
    }

    // Closes the object on top of the stack, all its references followed; false when the one
    // that refers to it is now too big.
    bool finishTop()
    {
        Seen& finished = seen_[stack_.back().object];
        finished.done = true;
        stack_.pop_back();
        return stack_.empty() || add(seen_[stack_.back().object], finished);
    }

    // Follows the next reference of the object on top of the stack; false when that breaks a limit.
    bool followNext()
    {
        Frame& frame = stack_.back();
        std::uint64_t child = 0;
        const bool read = readUnsigned(bytes_, frame.refs + frame.next * layout_.refSize, layout_.refSize, child);
        ++frame.next;
        if (!read || child >= layout_.objects)
            return true;
        auto found = seen_.find(child);
        if (found == seen_.end()) {
            open(child);
            return true;
        }
        // An object still open holds itself, which no parse can end.
        return found->second.done && add(seen_[frame.object], found->second);
    }

    std::string_view bytes_;
    const Layout& layout_;
    unsigned maxDepth_;
    std::uint64_t maxObjects_;
    std::unordered_map<std::uint64_t, Seen> seen_;
    std::vector<Frame> stack_;
};

} // namespace

int BinaryPlistCheck::standInForNuls(std::string& bytes)
{
    Layout layout;
    if (!readLayout(bytes, layout))
        return 0;
    struct Span {
        std::uint64_t start, count, unit;
    };
    std::vector<Span> withNul;
    // Which control characters some text uses already: a stand-in must be none of them.
    std::uint32_t used = 0;
    for (std::uint64_t i = 0; i < layout.objects; ++i) {
        std::uint64_t offset = 0;
        Span span{};
        if (!readUnsigned(bytes, layout.tableOffset + i * layout.offsetSize, layout.offsetSize, offset)
            || !stringSpan(bytes, offset, span.start, span.count, span.unit))
            continue;
        bool nul = false;
        for (std::uint64_t at = 0; at < span.count; ++at) {
            const unsigned character = characterAt(bytes, span.start, span.unit, at);
            nul = nul || character == 0;
            if (character < 32)
                used |= 1u << character;
        }
        if (nul)
            withNul.push_back(span);
    }
    if (withNul.empty())
        return 0;
    int standIn = 1;
    while (standIn < 32 && (used & (1u << standIn)) != 0)
        ++standIn;
    if (standIn == 32)
        return -1;
    for (const Span& span : withNul) {
        for (std::uint64_t at = 0; at < span.count; ++at) {
            const std::uint64_t low = span.start + span.unit * at + span.unit - 1;
            if (characterAt(bytes, span.start, span.unit, at) == 0)
                bytes[low] = static_cast<char>(standIn);
        }
    }
    return standIn;
}

bool BinaryPlistCheck::expandsBeyond(std::string_view bytes, unsigned maxDepth, std::uint64_t maxObjects)
{
    Layout layout;
    if (!readLayout(bytes, layout) || layout.top >= layout.objects)
        return false;
    return ExpansionWalk(bytes, layout, maxDepth, maxObjects).exceedsLimits();
}
