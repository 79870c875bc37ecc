// The controller's settings and lock policy: the stored passcode, the time of going to the
// background, the lock decision on return and the resting look on entering the background.
#include "lockscreen/TQViewController.h"

#include "gesture/TQGestureLockView.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/NSDate.h"
#include "platform/foundation/NSLog.h"
#include "platform/foundation/NSString.h"
#include "platform/foundation/NSUserDefaults.h"
#include "platform/ui/UIButton.h"
#include "platform/ui/UIKeyboardImpl.h"
#include "platform/ui/UILabel.h"

#include <set>

namespace {

constexpr const char* kPasscodeKey = "PASS_CODE";
constexpr const char* kHideTrailKey = "LOCK_HIDE_TRAIL";
constexpr double kDefaultLockInterval = 180.0;
// More digits than any grid index needs; keeps the number parse below far from overflow.
constexpr std::size_t kMaxIndexDigits = 6;

// The three settings that govern a return from the background, as the store holds them now.
struct LockSettings {
    bool lockOff = false;
    bool forced = false;
    float interval = 0.0f;
};

// All three are read before any is acted on, so that a store that fails on any of the reads
// fails the whole decision.
Result<LockSettings> readLockSettings()
{
    LockSettings settings;
    const std::shared_ptr<NSUserDefaults> defaults = NSUserDefaults::standardUserDefaults();
    if (!defaults)
        return settings;
    const Result<bool> lockOff = defaults->readBool("LOCK_LOCK_OFF");
    if (!lockOff.ok())
        return lockOff.failure();
    const Result<bool> forced = defaults->readBool("LOCK_IS_NEED_LOCK");
    if (!forced.ok())
        return forced.failure();
    const Result<float> interval = defaults->readFloat("LOCK_INTERVAL");
    if (!interval.ok())
        return interval.failure();
    return LockSettings{ lockOff.value(), forced.value(), interval.value() };
}

} // namespace

void TQViewController::loadPasscode()
{
    std::shared_ptr<NSUserDefaults> defaults = NSUserDefaults::standardUserDefaults();
    const Result<std::shared_ptr<NSObject>> read = defaults ? defaults->readObject(kPasscodeKey) : Result<std::shared_ptr<NSObject>>(nullptr);
    passcode_.reset();
    storeUnreadable_ = !read.ok();
    if (storeUnreadable_) {
        // The store's reason says how to recover where there is a way (a file set aside).
        NSLog("PASS_CODE cannot be read (%s); the lock stays up and takes no pattern", read.failure().message.c_str());
        isUnsetPasscode_ = false;
        return;
    }
    if (const std::shared_ptr<NSObject>& stored = read.value()) {
        auto* text = dynamic_cast<const NSString*>(stored.get());
        if (text && isUsablePasscode(text->string()))
            passcode_ = text->string();
        else
            NSLog("PASS_CODE holds no pattern that can be drawn (%s); asking for a new passcode", stored->className());
    }
    isUnsetPasscode_ = !passcode_;
}

bool TQViewController::retryUnreadableStore()
{
    if (!storeUnreadable_)
        return true;
    loadPasscode();
    if (storeUnreadable_) {
        // Nothing was compared, so the pattern is no wrong one and brings no failure wait nearer.
        showRestingLook();
        earthquake(label_.get());
        return false;
    }
    if (!isUnsetPasscode_)
        return true;
    // The store reads again and holds no passcode: setting one starts with the next pattern.
    if (isResetPasscode_) {
        isResetPasscode_ = false;
        createResetPasscodeBtn();
    }
    if (resetBtn_)
        resetBtn_->setHidden(true);
    setMessage("Set Passcode");
    earthquake(label_.get());
    return false;
}

bool TQViewController::isUsablePasscode(const std::string& text) const
{
    const std::uint64_t limit = lockView_ ? lockView_->numberOfGestureNodes() : UINT32_MAX;
    std::set<std::uint64_t> seen;
    std::size_t start = 0;
    while (true) {
        std::size_t comma = text.find(',', start);
        std::string entry = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        if (entry.empty() || entry.size() > kMaxIndexDigits || (entry.size() > 1 && entry[0] == '0'))
            return false;
        std::uint64_t index = 0;
        for (char c : entry) {
            if (c < '0' || c > '9')
                return false;
            index = index * 10 + static_cast<std::uint64_t>(c - '0');
        }
        if (index >= limit || !seen.insert(index).second)
            return false;
        if (comma == std::string::npos)
            return true;
        start = comma + 1;
    }
}

void TQViewController::unsetPasscode()
{
    passcode_.reset();
    isUnsetPasscode_ = true;
}

bool TQViewController::storePasscode(const std::string& passcode)
{
    std::shared_ptr<NSUserDefaults> defaults = NSUserDefaults::standardUserDefaults();
    if (!defaults)
        return false;
    defaults->setObject(NSString::stringWithString(passcode), kPasscodeKey);
    const Result<void> saved = defaults->save();
    if (saved.ok())
        return true;
    NSLog("PASS_CODE could not be saved; %s", saved.failure().message.c_str());
    // Nothing may act on a passcode that is not on disk: memory shows the file again.
    defaults->discardChangeForKey(kPasscodeKey);
    loadPasscode();
    return false;
}

void TQViewController::registerLock()
{
    std::shared_ptr<NSDate> now = NSDate::date();
    NSLog("now:%@", static_cast<NSObject*>(now.get()));
    goBackgroundTime_ = now->timeIntervalSince1970();
    goBackgroundBootTime_ = Clock::current().bootNow();
    dismissKeyboard2();
}

void TQViewController::dismissKeyboard2()
{
    NSLog("dismissKeyboard2--------");
    std::shared_ptr<UIKeyboardImpl> keyboard = UIKeyboardImpl::activeInstance();
    NSLog("keyboard:%@", static_cast<NSObject*>(keyboard.get()));
    if (keyboard) {
        keyboard->dismissKeyboard();
        keyboard->hideKeyboard();
    }
}

void TQViewController::loadTrailSetting()
{
    const std::shared_ptr<NSUserDefaults> defaults = NSUserDefaults::standardUserDefaults();
    const Result<bool> hide = defaults ? defaults->readBool(kHideTrailKey) : Result<bool>(false);
    // Showing the trail is the choice a store that cannot be read may not make for its owner.
    if (lockView_)
        lockView_->setHidesTrail(!hide.ok() || hide.value());
}

bool TQViewController::isNeedLock()
{
    setMessage("Slide to unlock");
    loadTrailSetting();
    const Result<LockSettings> read = readLockSettings();
    // Settings that cannot be read could hold anything, lock-off included: the lock comes back.
    if (!read.ok()) {
        NSLog("The lock settings cannot be read (%s); locking", read.failure().message.c_str());
        // A passcode read before stays in force: the owner is not locked out by a fault that
        // came later, and nothing read from the faulty store is trusted.
        setMessage("The lock settings cannot be read");
        return true;
    }
    if (storeUnreadable_) {
        // The store reads again: the screen shows what it holds now.
        loadPasscode();
        showRestingLook();
    }
    const LockSettings& settings = read.value();
    if (settings.lockOff) {
        NSLog("关闭锁屏");
        return false;
    }
    if (settings.forced) {
        NSLog("强制锁屏");
        return true;
    }
    const float interval = settings.interval;
    std::shared_ptr<NSDate> now = NSDate::date();
    NSLog("next:%@", static_cast<NSObject*>(now.get()));
    const double elapsed = now->timeIntervalSince1970() - goBackgroundTime_;
    NSLog("val:%f", elapsed);
    // Only an interval of exactly zero means "not set"; any other value, negative ones too, is
    // taken as it stands. A NaN interval compares unordered and never locks.
    const double threshold = interval == 0.0f ? kDefaultLockInterval : static_cast<double>(interval);
    if (elapsed >= threshold) {
        NSLog("超出时间限制锁屏");
        return true;
    }
    // A wall clock set back while away must not open the lock: time that runs backwards locks,
    // and so does time away on the boot clock, which nobody can set and which counts sleep.
    if (elapsed < 0.0)
        return true;
    if (goBackgroundBootTime_ && Clock::current().bootNow() - *goBackgroundBootTime_ >= threshold)
        return true;
    return false;
}

void TQViewController::UIApplicationDidEnterBackgroundNotification(NSNotification*)
{
    if (lockView_)
        lockView_->setAlpha(1.0f);
    if (resetBtn_)
        resetBtn_->setAlpha(1.0f);
    failCount_ = 0;
    showRestingLook();
}

void TQViewController::showRestingLook()
{
    if (storeUnreadable_)
        setMessage("The lock settings cannot be read");
    else
        setMessage(isUnsetPasscode_ ? "Set Passcode" : "Slide to unlock");
    // Neither setting a passcode nor an unknown one can be replaced.
    if (resetBtn_)
        resetBtn_->setHidden(isUnsetPasscode_ || storeUnreadable_);
}
