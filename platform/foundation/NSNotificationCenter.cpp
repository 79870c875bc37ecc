#include "platform/foundation/NSNotificationCenter.h"

#include "platform/foundation/FoundationState.h"

#include <algorithm>

// The sender filter is watched like the observer: when the filtered sender can be watched and
// has gone away, the registration can never match again, even if another object takes its
// address.
struct NSNotificationCenter::Registration {
    std::weak_ptr<NSObject> observer;
    const NSObject* observerAddress = nullptr;
    SEL selector = nullptr;
    std::string name;
    const NSObject* object = nullptr;
    std::weak_ptr<const NSObject> watchedObject;
    bool objectWatched = false;
    bool removed = false;

    bool senderMatches(const NSObject* sender) const
    {
        if (!object)
            return true;
        if (objectWatched && watchedObject.expired())
            return false;
        return sender == object;
    }
};

NSNotificationCenter& NSNotificationCenter::defaultCenter() { return FoundationState::current().notificationCenter(); }

void NSNotificationCenter::addObserver(const std::shared_ptr<NSObject>& observer, SEL selector, const std::string& name, const NSObject* object)
{
    if (!observer || !selector)
        return;
    auto registration = std::make_shared<Registration>();
    registration->observer = observer;
    registration->observerAddress = observer.get();
    registration->selector = selector;
    registration->name = name;
    registration->object = object;
    if (object) {
        registration->watchedObject = object->weak_from_this();
        registration->objectWatched = !registration->watchedObject.expired();
    }
    registrations_.push_back(std::move(registration));
}

void NSNotificationCenter::removeObserver(const NSObject* observer)
{
    removeObserver(observer, std::string(), nullptr);
}

void NSNotificationCenter::removeObserver(const NSObject* observer, const std::string& name, const NSObject* object)
{
    if (!observer)
        return;
    std::erase_if(registrations_, [&](const std::shared_ptr<Registration>& r) {
        bool match = r->observerAddress == observer && !r->observer.expired() && (name.empty() || r->name == name)
            && (!object || r->object == object);
        // A delivery in progress holds its own list; the flag keeps it from calling a removed observer.
        if (match)
            r->removed = true;
        return match;
    });
}

void NSNotificationCenter::postNotificationName(const std::string& name, NSObject* object)
{
    postNotification(std::make_shared<NSNotification>(name, object));
}

void NSNotificationCenter::postNotification(const std::shared_ptr<NSNotification>& notification)
{
    if (!notification)
        return;
    std::erase_if(registrations_, [](const std::shared_ptr<Registration>& r) { return r->observer.expired(); });
    // Observers added while this notification is delivered do not receive it.
    std::vector<std::shared_ptr<Registration>> matching;
    for (const auto& r : registrations_) {
        if ((r->name.empty() || r->name == notification->name()) && r->senderMatches(notification->object()))
            matching.push_back(r);
    }
    for (const auto& r : matching) {
        if (r->removed)
            continue;
        if (auto observer = r->observer.lock())
            objc_sendAction(observer.get(), r->selector, notification.get());
    }
}

std::size_t NSNotificationCenter::observerCount() const
{
    return static_cast<std::size_t>(
        std::count_if(registrations_.begin(), registrations_.end(), [](const auto& r) { return !r->observer.expired(); }));
}

void NSNotificationCenter::dropAll()
{
    for (auto& r : registrations_)
        r->removed = true;
    registrations_.clear();
}
