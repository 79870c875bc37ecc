#include "platform/foundation/NSDictionary.h"

#include "platform/foundation/PropertyListText.h"

std::shared_ptr<NSDictionary> NSDictionary::dictionaryWithDictionary(Storage entries)
{
    return std::make_shared<NSDictionary>(std::move(entries));
}

std::string NSDictionary::description() const { return PropertyListText::describe(this); }

bool NSDictionary::isEqual(const NSObject* other) const
{
    auto* dictionary = dynamic_cast<const NSDictionary*>(other);
    if (!dictionary || dictionary->entries_.size() != entries_.size())
        return false;
    auto theirs = dictionary->entries_.begin();
    for (const auto& [key, value] : entries_) {
        if (theirs->first != key)
            return false;
        if (value.get() != theirs->second.get() && (!value || !value->isEqual(theirs->second.get())))
            return false;
        ++theirs;
    }
    return true;
}

std::shared_ptr<NSObject> NSDictionary::objectForKey(const std::string& key) const
{
    auto found = entries_.find(key);
    return found == entries_.end() ? nullptr : found->second;
}
