#include "platform/ui/UIKeyboardInput.h"

#include "platform/ui/UIKeyInput.h"
#include "platform/ui/UIKeyPressTarget.h"
#include "platform/ui/UIKeyboardImpl.h"
#include "platform/ui/UIWindow.h"

namespace {

// The keyboard is up for exactly the responder that has focus, so it is the one to ask.
std::shared_ptr<UIView> focusedView()
{
    const auto keyboard = UIKeyboardImpl::activeInstance();
    const auto responder = keyboard ? keyboard->responder() : nullptr;
    auto view = std::dynamic_pointer_cast<UIView>(responder);
    if (!view || !view->isFirstResponder() || !dynamic_cast<UIKeyInput*>(view.get()))
        return nullptr;
    const auto window = view->window();
    if (!window || window != UIWindow::keyWindow())
        return nullptr;
    return view;
}

// The same judgement as the hit test's: a view hidden, faded out or not interactive, or inside one
// that is, takes no keys either.
bool takesInput(const UIView& view) { return !view.isHidden() && view.alpha() >= 0.01f && view.isUserInteractionEnabled(); }

bool pressKeyIn(const std::shared_ptr<UIView>& view, const UIKeyPress& key)
{
    if (!view || !takesInput(*view))
        return false;
    const auto children = view->subviews();
    for (std::size_t i = children.size(); i-- > 0;)
        if (pressKeyIn(children[i], key))
            return true;
    auto* target = dynamic_cast<UIKeyPressTarget*>(view.get());
    return target && target->pressKey(key);
}

} // namespace

std::shared_ptr<UIResponder> UIKeyboardInput::focusedResponder() { return focusedView(); }

std::optional<CGRect> UIKeyboardInput::focusedRect()
{
    const auto view = focusedView();
    if (!view)
        return std::nullopt;
    const auto window = view->window();
    const CGRect inWindow = view->convertRectToView(view->bounds(), window.get());
    const CGPoint origin = window->convertPointToScreen(inWindow.origin);
    return CGRect { origin, inWindow.size };
}

bool UIKeyboardInput::insertText(const std::string& text)
{
    const auto view = focusedView();
    if (!view)
        return false;
    dynamic_cast<UIKeyInput&>(*view).insertText(text);
    return true;
}

bool UIKeyboardInput::deleteBackward()
{
    const auto view = focusedView();
    if (!view)
        return false;
    dynamic_cast<UIKeyInput&>(*view).deleteBackward();
    return true;
}

bool UIKeyboardInput::dismiss()
{
    const auto view = focusedView();
    return view && view->resignFirstResponder();
}

bool UIKeyboardInput::pressKey(const UIKeyPress& key)
{
    // The view may let go of itself while it handles the key; the walk holds each one it visits.
    return pressKeyIn(UIWindow::keyWindow(), key);
}
