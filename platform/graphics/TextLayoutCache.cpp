#include "platform/graphics/TextLayoutCache.h"

#include <pango/pango.h>

#include <algorithm>
#include <utility>

struct TextLayoutCache::Entry {
    Key key;
    Laid laid;
};

bool TextLayoutCache::Key::operator==(const Key& other) const
{
    return text == other.text && family == other.family && size == other.size && alignment == other.alignment
        && lineBreakMode == other.lineBreakMode && numberOfLines == other.numberOfLines && width == other.width
        && std::equal(std::begin(matrix), std::end(matrix), std::begin(other.matrix)) && surfaceType == other.surfaceType;
}

TextLayoutCache::TextLayoutCache() = default;

TextLayoutCache::~TextLayoutCache() { clear(); }

TextLayoutCache::Laid TextLayoutCache::find(const Key& key)
{
    const auto found = std::find_if(entries_.begin(), entries_.end(), [&key](const Entry& entry) { return entry.key == key; });
    if (found == entries_.end())
        return {};
    entries_.splice(entries_.begin(), entries_, found);
    return entries_.front().laid;
}

void TextLayoutCache::keep(Key key, Laid laid)
{
    if (!laid.layout)
        return;
    g_object_ref(laid.layout);
    entries_.push_front({ std::move(key), laid });
    while (entries_.size() > kCapacity) {
        g_object_unref(entries_.back().laid.layout);
        entries_.pop_back();
    }
}

void TextLayoutCache::clear()
{
    for (Entry& entry : entries_)
        g_object_unref(entry.laid.layout);
    entries_.clear();
}
