#pragma once
#include "platform/runtime/NSObject.h"

#include <memory>
#include <string>

// What an observer receives: the notification's name and the object that posted it. The poster
// is only watched for the time of the delivery, as the sender of an action is.
class NSNotification final : public NSObject {
public:
    NSNotification(std::string name, NSObject* object, std::shared_ptr<NSObject> userInfo = nullptr)
        : name_(std::move(name)), object_(object), userInfo_(std::move(userInfo)) { }

    GLYPHWARD_RUNTIME_CLASS(NSNotification, NSObject);
    std::string description() const override;

    const std::string& name() const { return name_; }
    NSObject* object() const { return object_; }
    std::shared_ptr<NSObject> userInfo() const { return userInfo_; }

private:
    std::string name_;
    NSObject* object_;
    std::shared_ptr<NSObject> userInfo_;
};
