#include "lockscreen/TQViewController.h"

#include "gesture/TQGestureLockView.h"
#include "lockscreen/LockResources.h"
#include "platform/foundation/NSBundle.h"
#include "platform/foundation/NSNotificationCenter.h"
#include "platform/foundation/NSNumber.h"
#include "platform/foundation/NSString.h"
#include "platform/graphics/UIColor.h"
#include "platform/graphics/UIFont.h"
#include "platform/graphics/UIImage.h"
#include "platform/runtime/RuntimeThunks.h"
#include "platform/ui/UIButton.h"
#include "platform/ui/UIImageView.h"
#include "platform/ui/UILabel.h"
#include "platform/ui/UIScreen.h"

namespace {

TQViewController* asController(NSObject* self) { return dynamic_cast<TQViewController*>(self); }

// The notification's selector has no colon, so it arrives without the notification.
void didEnterBackgroundImp(NSObject* self, SEL)
{
    if (auto* controller = asController(self))
        controller->UIApplicationDidEnterBackgroundNotification(nullptr);
}

UIView* viewImp(NSObject* self, SEL)
{
    auto* controller = asController(self);
    return controller ? controller->view().get() : nullptr;
}

// The selectors that reach the controller as values: the gesture view's callbacks (those the
// controller overrides), actions, the timer, the notification, the shake's stop method and the
// host's calls.
const ClassRegistration registration = TQGestureLockViewDelegate::adopt<TQViewController>(
    ClassRegistration::of<TQViewController>())
    .method("resetPasscode:", imp_implementationWithMember<&TQViewController::resetPasscode>())
    .method("cancelResetBtnAppear", imp_implementationWithMember<&TQViewController::cancelResetBtnAppear>())
    .method("showLockView", imp_implementationWithMember<&TQViewController::showLockView>())
    .method("earthquakeEnded:finished:context:", imp_implementationWithMember<&TQViewController::earthquakeEnded>())
    .method("UIApplicationDidEnterBackgroundNotification", reinterpret_cast<IMP>(&didEnterBackgroundImp))
    .method("registerLock", imp_implementationWithMember<&TQViewController::registerLock>())
    .method("isNeedLock", imp_implementationWithMember<&TQViewController::isNeedLock>())
    .method("loadPasscode", imp_implementationWithMember<&TQViewController::loadPasscode>())
    .method("unsetPasscode", imp_implementationWithMember<&TQViewController::unsetPasscode>())
    .method("createResetPasscodeBtn", imp_implementationWithMember<&TQViewController::createResetPasscodeBtn>())
    .method("view", reinterpret_cast<IMP>(&viewImp));

constexpr CGFloat kTallApplicationHeight = 548.0f;
constexpr UIEdgeInsets kCompactInsets = { 130.0f, 20.0f, 70.0f, 20.0f };
constexpr UIEdgeInsets kTallInsets = { 180.0f, 20.0f, 100.0f, 20.0f };

} // namespace

TQViewController::TQViewController() = default;
TQViewController::~TQViewController() = default;

std::shared_ptr<NSObject> TQViewController::valueForKey(const std::string& key) const
{
    if (key == "failCount")
        return NSNumber::numberWithInteger(failCount_);
    if (key == "passcode")
        return passcode_ ? NSString::stringWithString(*passcode_) : nullptr;
    if (key == "isUnsetPasscode")
        return NSNumber::numberWithBool(isUnsetPasscode_);
    if (key == "isResetPasscode")
        return NSNumber::numberWithBool(isResetPasscode_);
    if (key == "goBackgroundTime")
        return NSNumber::numberWithDouble(goBackgroundTime_);
    if (key == "label")
        return label_;
    if (key == "resetBtn")
        return resetBtn_;
    if (key == "lockView")
        return lockView_;
    if (key == "bundle")
        return bundle_;
    if (key == "mode")
        return NSString::stringWithString(modeName(mode()));
    return UIViewController::valueForKey(key);
}

TQViewController::Mode TQViewController::mode() const
{
    // Setting mode is told by isUnsetPasscode alone: a first pattern held is what makes the next
    // one its confirmation. Outside it, the reset flag picks between the two verifications.
    if (isUnsetPasscode_)
        return passcode_ ? Mode::Confirm : Mode::Setting;
    return isResetPasscode_ ? Mode::Reset : Mode::Verify;
}

const char* TQViewController::modeName(Mode mode)
{
    switch (mode) {
    case Mode::Setting:
        return "setting";
    case Mode::Confirm:
        return "confirm";
    case Mode::Verify:
        return "verify";
    case Mode::Reset:
        return "reset";
    }
    return "verify";
}

void TQViewController::viewDidLoad()
{
    UIViewController::viewDidLoad();
    failCount_ = 0;
    NSNotificationCenter::defaultCenter().addObserver(shared_from_this(), sel("UIApplicationDidEnterBackgroundNotification"),
        "UIApplicationDidEnterBackgroundNotification", nullptr);

    std::shared_ptr<UIView> root = view();
    root->setBackgroundColor(UIColor::clearColor());

    std::shared_ptr<UIScreen> screen = UIScreen::mainScreen();
    const CGRect S = screen ? screen->bounds() : CGRectZero;

    lockView_ = alloc<TQGestureLockView>();
    lockView_->initWithFrame(S);

    bundle_ = LockResources::openBundle();
    lockView_->setNormalGestureNodeImage(LockResources::image(bundle_.get(), LockResources::kNormalNodeImage));
    lockView_->setSelectedGestureNodeImage(LockResources::image(bundle_.get(), LockResources::kSelectedNodeImage));

    auto background = alloc<UIImageView>();
    background->initWithImage(LockResources::image(bundle_.get(), LockResources::kBackgroundImage));
    background->setFrame(S);
    root->addSubview(background);

    lockView_->setLineColor(UIColor::orangeColor()->colorWithAlphaComponent(0.3f));
    lockView_->setLineWidth(12.0f);
    lockView_->setDelegate(self<TQViewController>());

    // The taller phones get more room above the grid; a missing screen counts as a small one.
    const bool compact = !screen || screen->applicationFrame().size.height < kTallApplicationHeight;
    lockView_->setContentInsets(compact ? kCompactInsets : kTallInsets);
    root->addSubview(lockView_);

    createResetPasscodeBtn();
    loadPasscode();
    loadTrailSetting();

    label_ = alloc<UILabel>();
    label_->initWithFrame(CGRectMake(S.origin.x, 80.0f, S.size.width, 30.0f));
    label_->setTextAlignment(NSTextAlignment::Center);
    label_->setTextColor(UIColor::orangeColor());
    label_->setLineBreakMode(NSLineBreakMode::ByCharWrapping);
    label_->setFont(UIFont::systemFontOfSize(20.0f));
    label_->setBackgroundColor(UIColor::clearColor());
    root->addSubview(label_);
}

void TQViewController::viewWillAppear(bool animated)
{
    UIViewController::viewWillAppear(animated);
    showRestingLook();
}

void TQViewController::viewDidAppear(bool animated) { UIViewController::viewDidAppear(animated); }

void TQViewController::didReceiveMemoryWarning() { UIViewController::didReceiveMemoryWarning(); }

void TQViewController::setMessage(const std::string& key)
{
    if (label_)
        label_->setText(LockResources::localizedText(key));
}

void TQViewController::setResetTitle(const std::string& key)
{
    if (!resetBtn_)
        return;
    if (auto title = std::dynamic_pointer_cast<UILabel>(resetBtn_->viewWithTag(kResetTitleTag)))
        title->setText(LockResources::localizedText(key));
}
