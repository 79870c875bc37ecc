#pragma once
#include "platform/foundation/NSNotification.h"

#include <memory>
#include <string>
#include <vector>

// The toolkit's notification center (defaultCenter() is the one of the toolkit in force). Observers are only watched: one that has gone away is
// skipped and forgotten. Delivery is synchronous, in the order observers were added.
class NSNotificationCenter {
public:
    static NSNotificationCenter& defaultCenter();

    // Sends the selector (with the notification as its argument) to the observer for every
    // notification of that name (empty: any name) from that object (null: any sender).
    void addObserver(const std::shared_ptr<NSObject>& observer, SEL selector, const std::string& name, const NSObject* object);
    // Forgets every registration of the observer.
    void removeObserver(const NSObject* observer);
    // Forgets the observer's registrations that match the name (empty: any) and object (null: any).
    void removeObserver(const NSObject* observer, const std::string& name, const NSObject* object);

    void postNotificationName(const std::string& name, NSObject* object);
    void postNotification(const std::shared_ptr<NSNotification>& notification);

    // How many registrations have a live observer (for tests and diagnostics).
    std::size_t observerCount() const;

private:
    friend class FoundationState;
    // Forgets every registration, as the toolkit does on its way out.
    void dropAll();

    struct Registration;
    std::vector<std::shared_ptr<Registration>> registrations_;
};
