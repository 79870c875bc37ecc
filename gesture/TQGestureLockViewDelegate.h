#pragma once
#include "platform/runtime/NSObject.h"
#include "platform/runtime/RuntimeThunks.h"

#include <string>
#include <type_traits>

class TQGestureLockView;

// What a gesture lock view tells its owner about a pattern. All three methods are optional: a
// delegate overrides the ones it wants, and its class adopts the protocol where it registers
// with the runtime (adopt), which registers each of those overrides under its selector. The view
// asks respondsToSelector: once per delegate and sends the selectors through the runtime, so a
// delegate answers exactly the methods it overrides and is sent exactly those.
class TQGestureLockViewDelegate : public virtual NSObjectProtocol {
public:
    static constexpr const char* kDidBeginWithPasscode = "gestureLockView:didBeginWithPasscode:";
    static constexpr const char* kDidEndWithPasscode = "gestureLockView:didEndWithPasscode:";
    static constexpr const char* kDidCanceledWithPasscode = "gestureLockView:didCanceledWithPasscode:";

    // The first node of a gesture was selected; the passcode is that node's index alone.
    virtual void gestureLockViewDidBeginWithPasscode(TQGestureLockView* /*view*/, const std::string& /*passcode*/) { }
    // The finger lifted with at least one node selected; the passcode is the whole pattern.
    virtual void gestureLockViewDidEndWithPasscode(TQGestureLockView* /*view*/, const std::string& /*passcode*/) { }
    // The touch was cancelled with at least one node selected; the passcode is the pattern so far.
    virtual void gestureLockViewDidCanceledWithPasscode(TQGestureLockView* /*view*/, const std::string& /*passcode*/) { }

    // Registers with the class the methods of the protocol that Adopter overrides (itself or
    // through a base between it and the protocol), each calling the override:
    //   const ClassRegistration registration = TQGestureLockViewDelegate::adopt<TQViewController>(
    //       ClassRegistration::of<TQViewController>()).method(...);
    template <class Adopter> static ClassRegistration adopt(ClassRegistration registration)
    {
        static_assert(std::is_base_of_v<TQGestureLockViewDelegate, Adopter>, "only a delegate adopts the protocol");
        using P = TQGestureLockViewDelegate;
        // Naming an inherited member gives a pointer to a member of the class that declares it.
        if constexpr (!std::is_same_v<decltype(&Adopter::gestureLockViewDidBeginWithPasscode), decltype(&P::gestureLockViewDidBeginWithPasscode)>)
            registration.method(kDidBeginWithPasscode, imp_implementationWithMember<&Adopter::gestureLockViewDidBeginWithPasscode>());
        if constexpr (!std::is_same_v<decltype(&Adopter::gestureLockViewDidEndWithPasscode), decltype(&P::gestureLockViewDidEndWithPasscode)>)
            registration.method(kDidEndWithPasscode, imp_implementationWithMember<&Adopter::gestureLockViewDidEndWithPasscode>());
        if constexpr (!std::is_same_v<decltype(&Adopter::gestureLockViewDidCanceledWithPasscode), decltype(&P::gestureLockViewDidCanceledWithPasscode)>)
            registration.method(kDidCanceledWithPasscode, imp_implementationWithMember<&Adopter::gestureLockViewDidCanceledWithPasscode>());
        return registration;
    }
};
