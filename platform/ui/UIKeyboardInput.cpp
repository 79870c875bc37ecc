#include "platform/ui/UIKeyboardInput.h"

#include "platform/ui/UIKeyInput.h"
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
