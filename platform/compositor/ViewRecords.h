#pragma once
// The compositor's memory of the views it has met: for each, its retained drawing and how it was
// last shown (ViewBackingStore). Views are watched, never held: a record lives while its view
// does, and a view never knows it has one. Records are found by the view's address and checked
// against the view they were made for, so a new view at a dead one's address starts afresh.
#include "platform/compositor/ViewBackingStore.h"

#include <memory>
#include <unordered_map>
#include <vector>

class NSObject;
class UIView;

class ViewRecords {
public:
    ViewRecords() = default;
    ViewRecords(const ViewRecords&) = delete;
    ViewRecords& operator=(const ViewRecords&) = delete;

    // The view's record, made at the first question.
    ViewBackingStore& of(UIView& view);
    // The view's record, or null when the compositor has none for it.
    const ViewBackingStore* find(const UIView& view) const;

    // Forgets the records of the views that are gone; how they were last shown is kept for
    // takeVanished.
    void prune();
    // How the views forgotten since the last call were last shown (those shown at all).
    std::vector<ViewBackingStore::Shown> takeVanished();
    // Calls f with the record of every view met so far that is still alive or not yet pruned.
    template <typename F> void forEach(F&& f) const
    {
        for (const auto& [view, entry] : entries_)
            f(*entry.store);
    }
    std::size_t size() const { return entries_.size(); }
    // Forgets everything, as if no view had been met.
    void clear();

private:
    struct Entry {
        std::weak_ptr<NSObject> view;
        std::shared_ptr<ViewBackingStore> store;
    };
    void retire(const Entry& entry);

    std::unordered_map<const UIView*, Entry> entries_;
    std::vector<ViewBackingStore::Shown> vanished_;
};
