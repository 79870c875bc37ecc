#include "platform/compositor/ViewRecords.h"

#include "platform/ui/UIView.h"

ViewBackingStore& ViewRecords::of(UIView& view)
{
    auto [at, made] = entries_.try_emplace(&view);
    Entry& entry = at->second;
    if (!made && entry.view.expired()) {
        // The address outlived its view: what that view left on screen is still to be cleared.
        retire(entry);
        made = true;
    }
    if (made) {
        entry.view = view.weak_from_this();
        entry.store = std::make_shared<ViewBackingStore>();
    }
    return *entry.store;
}

const ViewBackingStore* ViewRecords::find(const UIView& view) const
{
    const auto at = entries_.find(&view);
    if (at == entries_.end() || at->second.view.expired())
        return nullptr;
    return at->second.store.get();
}

void ViewRecords::retire(const Entry& entry)
{
    if (entry.store && entry.store->shown().frame != 0)
        vanished_.push_back(entry.store->shown());
}

void ViewRecords::prune()
{
    for (auto at = entries_.begin(); at != entries_.end();) {
        if (at->second.view.expired()) {
            retire(at->second);
            at = entries_.erase(at);
        } else {
            ++at;
        }
    }
}

std::vector<ViewBackingStore::Shown> ViewRecords::takeVanished()
{
    std::vector<ViewBackingStore::Shown> vanished;
    vanished.swap(vanished_);
    return vanished;
}

void ViewRecords::clear()
{
    entries_.clear();
    vanished_.clear();
}
