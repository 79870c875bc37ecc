#pragma once
#include "platform/ui/UIResponder.h"

#include <memory>
#include <optional>
#include <string>

class NSBundle;
class UIView;

// Owns one view, made on first request, and hears when it appears and disappears.
class UIViewController : public UIResponder {
public:
    UIViewController();
    ~UIViewController() override;

    GLYPHWARD_RUNTIME_CLASS(UIViewController, UIResponder);

    // Initialises without a nib (the name and bundle are kept, nothing is read). Answers this controller.
    virtual UIViewController* initWithNibName(std::optional<std::string> nibName, std::shared_ptr<NSBundle> bundle);
    UIViewController* init() { return initWithNibName(std::nullopt, nullptr); }

    // The view; the first request runs loadView and then viewDidLoad, exactly once.
    std::shared_ptr<UIView> view();
    // Replaces the view without loading; the controller becomes the view's next responder.
    void setView(std::shared_ptr<UIView> view);
    bool isViewLoaded() const { return view_ != nullptr; }

    const std::optional<std::string>& nibName() const { return nibName_; }
    const std::shared_ptr<NSBundle>& nibBundle() const { return nibBundle_; }

    // Makes the view; the default is a plain view over the main screen's bounds (zero without one).
    virtual void loadView();
    virtual void viewDidLoad() { }
    virtual void viewWillAppear(bool /*animated*/) { }
    virtual void viewDidAppear(bool /*animated*/) { }
    virtual void didReceiveMemoryWarning() { }

    // Touches the view does not handle go on to the view's superview.
    std::shared_ptr<UIResponder> nextResponder() const override;

private:
    std::shared_ptr<UIView> view_;
    std::optional<std::string> nibName_;
    std::shared_ptr<NSBundle> nibBundle_;
    bool loading_ = false;
};
