#pragma once
#include "platform/runtime/NSObject.h"

#include <memory>
#include <vector>

class UITouch;
class UIEvent;

// The touches of one delivery; the toolkit delivers one touch at a time.
class UITouchSet {
public:
    UITouchSet() = default;
    explicit UITouchSet(std::vector<std::shared_ptr<UITouch>> touches) : touches_(std::move(touches)) { }
    // Any one touch of the set, or null when it is empty.
    std::shared_ptr<UITouch> anyObject() const { return touches_.empty() ? nullptr : touches_.front(); }
    std::size_t count() const { return touches_.size(); }
    const std::vector<std::shared_ptr<UITouch>>& allObjects() const { return touches_; }

private:
    std::vector<std::shared_ptr<UITouch>> touches_;
};

// Something that can take touches. The handlers default to passing the touches on to the next
// responder (a view's controller or superview), and to nothing when there is none.
class UIResponder : public NSObject {
public:
    GLYPHWARD_RUNTIME_CLASS(UIResponder, NSObject);

    // Where unhandled touches go next; null by default.
    virtual std::shared_ptr<UIResponder> nextResponder() const { return nullptr; }

    virtual void touchesBegan(const UITouchSet& touches, UIEvent* event);
    virtual void touchesMoved(const UITouchSet& touches, UIEvent* event);
    virtual void touchesEnded(const UITouchSet& touches, UIEvent* event);
    virtual void touchesCancelled(const UITouchSet& touches, UIEvent* event);

    virtual bool canBecomeFirstResponder() const { return false; }
    virtual bool becomeFirstResponder() { return false; }
    virtual bool resignFirstResponder() { return true; }
    virtual bool isFirstResponder() const { return false; }
};
