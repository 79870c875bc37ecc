#include "platform/ui/UITouch.h"

#include "platform/runtime/RuntimeThunks.h"
#include "platform/ui/UIWindow.h"

namespace {

// The touch's window coordinates in the view's; a view in another window goes through the screen.
CGPoint locate(CGPoint inWindow, const UIWindow* window, const UIView* view)
{
    if (!view)
        return inWindow;
    if (!window)
        return view->convertPointFromView(inWindow, nullptr);
    return view->convertPointFromView(inWindow, window);
}
} // namespace

CGPoint UITouch::locationInView(const UIView* view) const { return locate(location_, window_.lock().get(), view); }

