// UIView's animation class methods and presentation values, kept apart from the rest of UIView
// because they are the animation engine's face.
#include "platform/ui/UIView.h"
#include "platform/ui/UIViewAnimator.h"

float UIView::presentationAlpha() const { return UIViewAnimator::shared().presentationAlpha(*this).value_or(alpha()); }

CGAffineTransform UIView::presentationTransform() const
{
    return UIViewAnimator::shared().presentationTransform(*this).value_or(transform());
}

void UIView::animateWithDuration(double duration, const std::function<void()>& animations)
{
    animateWithDuration(duration, animations, nullptr);
}

void UIView::animateWithDuration(double duration, const std::function<void()>& animations, const std::function<void(bool finished)>& completion)
{
    auto& animator = UIViewAnimator::shared();
    animator.beginGroup(std::string(), nullptr);
    animator.setDuration(duration);
    animator.setCompletion(completion);
    // The block is committed even when it throws, so no block stays open behind it.
    struct Commit {
        UIViewAnimator& animator;
        ~Commit() { animator.commitGroup(); }
    } commit { animator };
    if (animations)
        animations();
}

void UIView::beginAnimations(const std::string& animationID, void* context) { UIViewAnimator::shared().beginGroup(animationID, context); }

void UIView::setAnimationDuration(double duration) { UIViewAnimator::shared().setDuration(duration); }

void UIView::setAnimationRepeatCount(float repeatCount) { UIViewAnimator::shared().setRepeatCount(repeatCount); }

void UIView::setAnimationAutoreverses(bool autoreverses) { UIViewAnimator::shared().setAutoreverses(autoreverses); }

void UIView::setAnimationDelegate(const std::shared_ptr<NSObject>& delegate) { UIViewAnimator::shared().setDelegate(delegate); }

void UIView::setAnimationDidStopSelector(SEL selector) { UIViewAnimator::shared().setDidStopSelector(selector); }

void UIView::commitAnimations() { UIViewAnimator::shared().commitGroup(); }
