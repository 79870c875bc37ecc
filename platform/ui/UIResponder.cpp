#include "platform/ui/UIResponder.h"

#include "platform/runtime/RuntimeThunks.h"

namespace {
const ClassRegistration registration = ClassRegistration::of<UIResponder>()
                                           .method("becomeFirstResponder", imp_implementationWithMember<&UIResponder::becomeFirstResponder>())
                                           .method("resignFirstResponder", imp_implementationWithMember<&UIResponder::resignFirstResponder>());
}

void UIResponder::touchesBegan(const UITouchSet& touches, UIEvent* event)
{
    if (auto next = nextResponder())
        next->touchesBegan(touches, event);
}

void UIResponder::touchesMoved(const UITouchSet& touches, UIEvent* event)
{
    if (auto next = nextResponder())
        next->touchesMoved(touches, event);
}

void UIResponder::touchesEnded(const UITouchSet& touches, UIEvent* event)
{
    if (auto next = nextResponder())
        next->touchesEnded(touches, event);
}

void UIResponder::touchesCancelled(const UITouchSet& touches, UIEvent* event)
{
    if (auto next = nextResponder())
        next->touchesCancelled(touches, event);
}
