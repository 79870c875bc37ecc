#include "platform/foundation/NSArray.h"

#include "platform/foundation/PropertyListText.h"

std::shared_ptr<NSArray> NSArray::arrayWithArray(std::vector<std::shared_ptr<NSObject>> objects)
{
    return std::make_shared<NSArray>(std::move(objects));
}

std::string NSArray::description() const { return PropertyListText::describe(this); }

bool NSArray::isEqual(const NSObject* other) const
{
    auto* array = dynamic_cast<const NSArray*>(other);
    if (!array || array->objects_.size() != objects_.size())
        return false;
    for (std::size_t i = 0; i < objects_.size(); ++i) {
        const NSObject* mine = objects_[i].get();
        const NSObject* theirs = array->objects_[i].get();
        if (mine != theirs && (!mine || !mine->isEqual(theirs)))
            return false;
    }
    return true;
}
