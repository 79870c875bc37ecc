#pragma once
// Text laid out once and drawn many times: a label's layout (its font chosen, its text shaped and
// broken into lines) is kept for as long as nothing it was made from changes, so a frame that
// shows the same label again only draws its glyphs. Held by the graphics state; platform-internal.
#include <cstddef>
#include <list>
#include <memory>
#include <string>

typedef struct _PangoLayout PangoLayout;

class TextLayoutCache {
public:
    // Everything a layout depends on: the text and how it is set, the width it is broken to, and
    // the user-to-device matrix of the context it is drawn through.
    struct Key {
        std::string text;
        std::string family;
        double size = 0;
        int alignment = 0, lineBreakMode = 0, numberOfLines = 0;
        double width = 0;
        double matrix[6] = {};
        int surfaceType = 0;
        bool operator==(const Key& other) const;
    };

    TextLayoutCache();
    ~TextLayoutCache();
    TextLayoutCache(const TextLayoutCache&) = delete;
    TextLayoutCache& operator=(const TextLayoutCache&) = delete;

    // A kept layout and how far right of its rectangle's edge it starts.
    struct Laid {
        PangoLayout* layout = nullptr;
        double offsetX = 0;
    };
    // The layout kept for the key (null layout: none); a hit is kept the longest from then on.
    Laid find(const Key& key);
    // Keeps a reference to the layout under the key, letting go of the least recently used
    // beyond kCapacity.
    void keep(Key key, Laid laid);
    std::size_t size() const { return entries_.size(); }
    void clear();

    // As many layouts as the screens of a lock and its host show at once, with room to spare.
    static constexpr std::size_t kCapacity = 64;

private:
    struct Entry;
    std::list<Entry> entries_;
};
