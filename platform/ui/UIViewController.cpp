#include "platform/ui/UIViewController.h"

#include "platform/runtime/RuntimeThunks.h"
#include "platform/ui/UIScreen.h"
#include "platform/ui/UIView.h"

namespace {
const ClassRegistration registration = ClassRegistration::of<UIViewController>()
                                           .method("loadView", imp_implementationWithMember<&UIViewController::loadView>())
                                           .method("viewDidLoad", imp_implementationWithMember<&UIViewController::viewDidLoad>())
                                           .method("viewWillAppear:", imp_implementationWithMember<&UIViewController::viewWillAppear>())
                                           .method("viewDidAppear:", imp_implementationWithMember<&UIViewController::viewDidAppear>())
                                           .method("didReceiveMemoryWarning",
                                               imp_implementationWithMember<&UIViewController::didReceiveMemoryWarning>());
}

UIViewController::UIViewController() = default;

UIViewController::~UIViewController() = default;

UIViewController* UIViewController::initWithNibName(std::optional<std::string> nibName, std::shared_ptr<NSBundle> bundle)
{
    nibName_ = std::move(nibName);
    nibBundle_ = std::move(bundle);
    return this;
}

std::shared_ptr<UIView> UIViewController::view()
{
    // A request made while loading (from loadView itself) answers what exists so far.
    if (view_ || loading_)
        return view_;
    loading_ = true;
    loadView();
    if (!view_) {
        auto plain = std::make_shared<UIView>();
        plain->initWithFrame(CGRectZero);
        setView(plain);
    }
    loading_ = false;
    viewDidLoad();
    return view_;
}

void UIViewController::setView(std::shared_ptr<UIView> view)
{
    if (view_)
        view_->setViewController(nullptr);
    view_ = std::move(view);
    if (view_)
        view_->setViewController(std::dynamic_pointer_cast<UIResponder>(weak_from_this().lock()));
}

void UIViewController::loadView()
{
    auto screen = UIScreen::mainScreen();
    auto plain = std::make_shared<UIView>();
    plain->initWithFrame(screen ? screen->bounds() : CGRectZero);
    setView(plain);
}

std::shared_ptr<UIResponder> UIViewController::nextResponder() const { return view_ ? view_->superview() : nullptr; }
