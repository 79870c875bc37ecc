#pragma once
#include "platform/ui/UITouch.h"
#include "platform/ui/UIView.h"

#include <memory>
#include <vector>

class UIViewController;

// A top-level view on the screen. Its frame is in screen points. Windows that have been made
// visible form one list, front to back; the key window alone takes new touches.
class UIWindow : public UIView {
public:
    UIWindow();
    ~UIWindow() override;

    GLYPHWARD_RUNTIME_CLASS(UIWindow, UIView);

    std::shared_ptr<UIViewController> rootViewController() const { return rootViewController_; }
    // Puts the controller's view (loading it) in the window with the window's bounds as frame.
    void setRootViewController(std::shared_ptr<UIViewController> controller);

    // Brings the window to the front of the list and makes it key; a window that was not
    // visible before tells its root controller viewWillAppear(false) then viewDidAppear(false).
    void makeKeyAndVisible();
    // Makes the window key without reordering the list.
    void makeKeyWindow();
    // Gives up key status; afterwards no window is key until another is made key.
    void resignKeyWindow();
    bool isKeyWindow() const;
    // Whether the window is in the window list and not hidden.
    bool isVisible() const;
    // Hooks for subclasses, called after the change.
    virtual void becomeKeyWindow() { }
    virtual void didResignKeyWindow() { }

    static std::shared_ptr<UIWindow> keyWindow();
    // Visible windows and windows hidden after being shown, frontmost first, in the toolkit in force.
    static std::vector<std::shared_ptr<UIWindow>> windowsFrontToBack();

    // Screen points to the window's coordinates and back.
    CGPoint convertPointFromScreen(CGPoint screenPoint) const;
    CGPoint convertPointToScreen(CGPoint windowPoint) const;

    // Delivers one phase of the window's single touch, in window coordinates. A touch begins only
    // in the key window; it goes to the view hit at its start, which keeps it (moves, end, cancel)
    // even if that view is later hidden or moved. Whether a touch is already in progress is the
    // touch injector's to judge: it sends a begin only when none is. Answers whether the window
    // took the phase.
    bool sendTouch(UITouchPhase phase, CGPoint pointInWindow);

    // Keeps the root controller's view over the whole window.
    void layoutSubviews() override;

private:
    std::shared_ptr<UIViewController> rootViewController_;
    std::shared_ptr<UITouch> touch_;
    std::shared_ptr<UIView> touchView_;
};
