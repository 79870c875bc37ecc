// The passcode flow: what the controller does with each drawn pattern and each tap on the reset
// button, and the failure wait after too many wrong patterns.
#include "lockscreen/TQViewController.h"

#include "gesture/TQGestureLockView.h"
#include "platform/foundation/NSLog.h"
#include "platform/foundation/NSString.h"
#include "platform/foundation/NSTimer.h"
#include "platform/ui/UIApplication.h"
#include "platform/ui/UIButton.h"
#include "platform/ui/UILabel.h"
#include "platform/ui/UIWindow.h"

namespace {

void logPasscode(const std::string& passcode)
{
    std::shared_ptr<NSString> text = NSString::stringWithString(passcode);
    NSLog("%@", static_cast<NSObject*>(text.get()));
}

// The host's own main window, which takes the front again once a new passcode is in place.
UIWindow* hostWindow()
{
    std::shared_ptr<UIApplication> application = UIApplication::sharedApplication();
    std::shared_ptr<NSObject> delegate = application ? application->delegate() : nullptr;
    return objc_msgSend<UIWindow*>(delegate.get(), sel("window"));
}

} // namespace

void TQViewController::gestureLockViewDidBeginWithPasscode(TQGestureLockView*, const std::string& passcode)
{
    logPasscode(passcode);
}

void TQViewController::gestureLockViewDidEndWithPasscode(TQGestureLockView*, const std::string& passcode)
{
    logPasscode(passcode);
    if (!retryUnreadableStore())
        return;

    if (isUnsetPasscode_) {
        if (!passcode_) {
            passcode_ = passcode;
            setMessage("Re-enter your passcode");
            earthquake(label_.get());
        } else if (*passcode_ == passcode) {
            // Success only for a passcode on disk; otherwise the screen is back to what is stored.
            if (!storePasscode(*passcode_)) {
                setMessage("Passcode not saved");
                if (resetBtn_)
                    resetBtn_->setHidden(isUnsetPasscode_);
                earthquake(label_.get());
                return;
            }
            setMessage("Success");
            isUnsetPasscode_ = false;
            failCount_ = 0;
            if (UIWindow* window = hostWindow())
                window->performSelector(sel("makeKeyAndVisible"), nullptr, 1.5);
        } else {
            setMessage("Wrong Passcode.try again");
            earthquake(label_.get());
            passcode_.reset();
        }
        return;
    }

    if (passcode_ && *passcode_ == passcode) {
        failCount_ = 0;
        if (isResetPasscode_) {
            setMessage("Set new passcode");
            earthquake(label_.get());
            unsetPasscode();
            isResetPasscode_ = false;
            createResetPasscodeBtn();
            // The old passcode stays stored until the new one replaces it at Success.
            if (resetBtn_)
                resetBtn_->setHidden(true);
        } else if (unlock_) {
            // A copy, so a block that replaces the controller's own block still runs to its end.
            std::function<void()> block = unlock_;
            block();
        }
        return;
    }

    NSLog("密码错误，请重输");
    ++failCount_;
    if (failCount_ < kFailureLimit)
        setMessage("Wrong Passcode");
    else
        beginFailureWait();
    earthquake(label_.get());
}

void TQViewController::beginFailureWait()
{
    setMessage("Wrong please wait");
    // Faded to alpha 0 the views take no touch from the start of the fade: the hit test judges
    // the model value, so no pattern and no tap arrives until the wait ends.
    UIView::animateWithDuration(0.8, [lockView = lockView_, resetBtn = resetBtn_] {
        if (lockView)
            lockView->setAlpha(0.0f);
        if (resetBtn)
            resetBtn->setAlpha(0.0f);
    });
    NSTimer::scheduledTimerWithTimeInterval(kWaitSeconds, shared_from_this(), sel("showLockView"), nullptr, false);
}

void TQViewController::showLockView()
{
    UIView::animateWithDuration(0.5, [lockView = lockView_, resetBtn = resetBtn_] {
        if (lockView)
            lockView->setAlpha(1.0f);
        if (resetBtn)
            resetBtn->setAlpha(1.0f);
    });
    failCount_ = 0;
}

void TQViewController::resetPasscode(NSObject*)
{
    if (resetBtn_)
        resetBtn_->removeTarget(shared_from_this(), sel("resetPasscode:"), UIControlEventTouchUpInside);
    isResetPasscode_ = true;
    setMessage("Enter your old passcode");
    earthquake(label_.get());
    setResetTitle("Cancel");
    if (resetBtn_)
        resetBtn_->addTarget(shared_from_this(), sel("cancelResetBtnAppear"), UIControlEventTouchUpInside);
}

void TQViewController::cancelResetBtnAppear()
{
    if (resetBtn_)
        resetBtn_->removeTarget(shared_from_this(), sel("cancelResetBtnAppear"), UIControlEventTouchUpInside);
    setMessage("Slide to unlock");
    earthquake(label_.get());
    isResetPasscode_ = false;
    setResetTitle("Reset Passcode");
    if (resetBtn_)
        resetBtn_->addTarget(shared_from_this(), sel("resetPasscode:"), UIControlEventTouchUpInside);
}
