// The reset button in the lower left of the lock screen, and the shake that underlines a new
// message.
#include "lockscreen/TQViewController.h"

#include "lockscreen/LockResources.h"
#include "platform/foundation/NSNumber.h"
#include "platform/graphics/UIColor.h"
#include "platform/ui/UIButton.h"
#include "platform/ui/UILabel.h"
#include "platform/ui/UIScreen.h"

namespace {

// The view of the tree under root whose address is the given one, if any.
std::shared_ptr<UIView> viewInTree(const std::shared_ptr<UIView>& root, const void* address)
{
    if (!root)
        return nullptr;
    if (root.get() == address)
        return root;
    for (const auto& child : root->subviews())
        if (std::shared_ptr<UIView> found = viewInTree(child, address))
            return found;
    return nullptr;
}

} // namespace

void TQViewController::createResetPasscodeBtn()
{
    // Load the view first: loading builds a button of its own, which the steps below replace,
    // so the view never ends up with two.
    std::shared_ptr<UIView> root = view();

    if (resetBtn_) {
        resetBtn_->removeFromSuperview();
        resetBtn_ = nullptr;
    }

    std::shared_ptr<UIScreen> screen = UIScreen::mainScreen();
    const CGSize size = screen ? screen->bounds().size : CGSizeZero;

    std::shared_ptr<UIButton> button = UIButton::buttonWithType(UIButtonType::Custom);
    button->setBackgroundColor(UIColor::clearColor());
    button->addTarget(shared_from_this(), sel("resetPasscode:"), UIControlEventTouchUpInside);
    button->setFrame(CGRectMake(20.0f, size.height - 60.0f, size.width * 0.5f - 20.0f, 30.0f));

    const CGSize buttonSize = button->frame().size;
    auto title = alloc<UILabel>();
    title->initWithFrame(CGRectMake(0.0f, 0.0f, buttonSize.width, buttonSize.height));
    title->setTextColor(UIColor::orangeColor());
    title->setBackgroundColor(UIColor::clearColor());
    title->setText(LockResources::localizedText("Reset Passcode"));
    button->addSubview(title);
    title->setTag(kResetTitleTag);

    resetBtn_ = button;
    if (root)
        root->addSubview(button);
}

void TQViewController::earthquake(UIView* view)
{
    if (!view)
        return;
    const CGAffineTransform first = CGAffineTransformTranslate(CGAffineTransformIdentity, 2.0f, -2.0f);
    const CGAffineTransform second = CGAffineTransformTranslate(CGAffineTransformIdentity, -2.0f, 2.0f);
    view->setTransform(first);
    shaking_[view] = view->weak_from_this();

    UIView::beginAnimations("earthquake", view);
    UIView::setAnimationAutoreverses(true);
    UIView::setAnimationRepeatCount(5.0f);
    UIView::setAnimationDuration(0.07);
    UIView::setAnimationDelegate(shared_from_this());
    UIView::setAnimationDidStopSelector(sel("earthquakeEnded:finished:context:"));
    view->setTransform(second);
    UIView::commitAnimations();
}

void TQViewController::earthquakeEnded(NSString*, NSNumber* finished, void* context)
{
    // An interrupted shake leaves the view where the shake that interrupted it put it; only the
    // one that runs to its end brings the view home.
    if (!finished || !finished->boolValue() || !context)
        return;
    if (std::shared_ptr<UIView> view = liveViewAt(context))
        view->setTransform(CGAffineTransformIdentity);
}

std::shared_ptr<UIView> TQViewController::liveViewAt(const void* context)
{
    // The address is compared, never followed: only a view known to be alive is touched.
    auto entry = shaking_.find(static_cast<const UIView*>(context));
    if (entry != shaking_.end()) {
        std::shared_ptr<UIView> view = std::dynamic_pointer_cast<UIView>(entry->second.lock());
        shaking_.erase(entry);
        if (view)
            return view;
    }
    return isViewLoaded() ? viewInTree(view(), context) : nullptr;
}
