#pragma once
// libplist's trees and the memory it hands out, owned like anything else. Platform-internal:
// only the toolkit's sources include libplist.
#include <plist/plist.h>

#include <cstdint>
#include <cstdlib>
#include <limits>
#include <memory>
#include <string_view>

struct PlistFree {
    void operator()(plist_t node) const { plist_free(node); }
};
// A node tree, freed with its root. A node handed to a container is released into it.
using PlistHandle = std::unique_ptr<void, PlistFree>;

// What libplist allocates for its caller to free: a dictionary's keys and iterators.
struct PlistMemoryFree {
    void operator()(void* memory) const { std::free(memory); }
};
using PlistKey = std::unique_ptr<char, PlistMemoryFree>;
using PlistIterator = std::unique_ptr<void, PlistMemoryFree>;

// The tree that the bytes encode, XML or binary, or null when they encode none.
inline PlistHandle plistFromMemory(std::string_view bytes)
{
    if (bytes.size() > std::numeric_limits<std::uint32_t>::max())
        return nullptr;
    plist_t root = nullptr;
    plist_from_memory(bytes.data(), static_cast<std::uint32_t>(bytes.size()), &root);
    return PlistHandle(root);
}
