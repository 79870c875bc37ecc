#pragma once
#include "gesture/TQGestureLockViewDelegate.h"
#include "platform/ui/UIViewController.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

class NSBundle;
class NSNotification;
class NSNumber;
class NSString;
class TQGestureLockView;
class UIButton;
class UILabel;
class UIView;

// The lock screen: one gesture lock view over the whole screen, a message near the top and a
// reset button at the bottom left. It sets a passcode by having it drawn twice alike, verifies
// drawn patterns against it (a sixth wrong one in a row takes pattern entry away for 10 s),
// replaces it after the old one is drawn, and decides from the settings store whether a return
// from the background must lock again. The passcode is kept under PASS_CODE in the host's
// standard user defaults.
//
// Choices where the settings store can hold something unexpected:
// - A PASS_CODE that is not a usable passcode string (not text, empty, malformed, an index
//   twice, or an index the grid does not have) can never be drawn, so honouring it would lock
//   the user out for good. It is treated as no passcode: the screen asks for a new pattern, and
//   the odd value is logged once and stays in the store until a new passcode replaces it.
// - A settings store that cannot be read (no permission, no regular file, or a file that did
//   not parse and was set aside) is not an empty one: the passcode is unknown, not absent. The
//   lock stays up reading "The lock settings cannot be read" and takes no pattern until the
//   store reads again (it is tried before each pattern is judged and at each return); such a
//   pattern is compared with nothing, so it is not counted wrong and brings no failure wait. The
//   reset button is hidden, and a return from the background always locks. A store that fails
//   after a passcode was read says so at the next return, and that passcode stays in force.
// - "Success" is shown only once the new passcode is on disk. A write that fails is logged and
//   undone in memory, and the screen goes back to what is stored, saying "Passcode not saved".
//   A reset keeps the old passcode stored until the new one replaces it in that one write, so
//   the user can always get in with the passcode that is actually stored.
class TQViewController : public UIViewController, public TQGestureLockViewDelegate {
public:
    TQViewController();
    ~TQViewController() override;

    GLYPHWARD_RUNTIME_CLASS(TQViewController, UIViewController);
    // Reads "failCount", "passcode", "isUnsetPasscode", "isResetPasscode", "goBackgroundTime",
    // "label", "resetBtn", "lockView", "bundle" and "mode" (its name); other keys go to the base.
    std::shared_ptr<NSObject> valueForKey(const std::string& key) const override;

    // Properties. Setters store and nothing else.
    const std::shared_ptr<TQGestureLockView>& lockView() const { return lockView_; }
    void setLockView(std::shared_ptr<TQGestureLockView> view) { lockView_ = std::move(view); }
    const std::function<void()>& unlock() const { return unlock_; }
    void setUnlock(const std::function<void()>& block) { unlock_ = block; }
    const std::optional<std::string>& passcode() const { return passcode_; }
    void setPasscode(std::optional<std::string> passcode) { passcode_ = std::move(passcode); }
    bool isUnsetPasscode() const { return isUnsetPasscode_; }
    void setIsUnsetPasscode(bool unset) { isUnsetPasscode_ = unset; }
    bool isResetPasscode() const { return isResetPasscode_; }
    void setIsResetPasscode(bool reset) { isResetPasscode_ = reset; }
    const std::shared_ptr<UIButton>& resetBtn() const { return resetBtn_; }
    void setResetBtn(std::shared_ptr<UIButton> button) { resetBtn_ = std::move(button); }
    const std::shared_ptr<UILabel>& label() const { return label_; }
    void setLabel(std::shared_ptr<UILabel> label) { label_ = std::move(label); }
    double goBackgroundTime() const { return goBackgroundTime_; }
    void setGoBackgroundTime(double seconds) { goBackgroundTime_ = seconds; }
    std::int32_t failCount() const { return failCount_; }
    void setFailCount(std::int32_t count) { failCount_ = count; }
    const std::shared_ptr<NSBundle>& bundle() const { return bundle_; }
    void setBundle(std::shared_ptr<NSBundle> bundle) { bundle_ = std::move(bundle); }

    // What the next pattern does: the first of a new pair, its confirmation, a verification, or
    // the verification that leads into setting a new passcode. The failure wait lies on top of
    // the last two and is no mode of its own.
    enum class Mode { Setting, Confirm, Verify, Reset };
    Mode mode() const;
    // "setting", "confirm", "verify" or "reset".
    static const char* modeName(Mode mode);

    // Settings and lock policy.
    // Takes PASS_CODE from the settings store; without a usable one the screen is in setting mode,
    // and with a store that cannot be read it is in verification with nothing to match.
    void loadPasscode();
    // Forgets the passcode in memory and enters setting mode; the store is left alone.
    void unsetPasscode();
    // Records when the host went to the background and puts its keyboard away.
    void registerLock();
    void dismissKeyboard2();
    // Whether a return from the background must bring the lock back; shows the resting
    // "Slide to unlock" on the way, whatever the answer, or "The lock settings cannot be read".
    bool isNeedLock();
    // Puts the screen back into its resting look: ends a failure wait, clears the fail count.
    void UIApplicationDidEnterBackgroundNotification(NSNotification* notification);

    // The screen.
    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void viewDidAppear(bool animated) override;
    void didReceiveMemoryWarning() override;

    // The passcode flow.
    void gestureLockViewDidBeginWithPasscode(TQGestureLockView* view, const std::string& passcode) override;
    void gestureLockViewDidEndWithPasscode(TQGestureLockView* view, const std::string& passcode) override;
    void resetPasscode(NSObject* sender);
    void cancelResetBtnAppear();
    // Ends the failure wait: fades pattern entry back in and clears the fail count.
    void showLockView();

    // The reset button and the shake.
    // Replaces the reset button with a fresh one titled "Reset Passcode" acting as resetPasscode:.
    void createResetPasscodeBtn();
    void earthquake(UIView* view);
    void earthquakeEnded(NSString* animationID, NSNumber* finished, void* context);

    // The failure limit: the wrong pattern that brings the count this far starts the wait.
    static constexpr std::int32_t kFailureLimit = 6;
    static constexpr double kWaitSeconds = 10.0;
    // The tag of the label inside the reset button that carries its title.
    static constexpr NSInteger kResetTitleTag = 1;

private:
    void setMessage(const std::string& key);
    void setResetTitle(const std::string& key);
    // The message and reset button for the passcode's state when no pattern is under way.
    void showRestingLook();
    // Takes LOCK_HIDE_TRAIL from the store to the grid: YES, or a store that cannot be read,
    // enters patterns unseen.
    void loadTrailSetting();
    // Whether the text is a passcode string the grid can produce.
    bool isUsablePasscode(const std::string& text) const;
    // Writes the passcode to disk; when that fails, logs why, drops the change and loads what is
    // stored instead, and answers false.
    bool storePasscode(const std::string& passcode);
    // Loads the passcode again when the store could not be read; false when the store now reads
    // and holds none, so that the pattern at hand starts nothing.
    bool retryUnreadableStore();
    void beginFailureWait();
    // The live view a shake's context names: one this controller shook, or one on its screen.
    std::shared_ptr<UIView> liveViewAt(const void* context);

    std::shared_ptr<TQGestureLockView> lockView_;
    std::function<void()> unlock_;
    std::optional<std::string> passcode_;
    bool isUnsetPasscode_ = false;
    bool isResetPasscode_ = false;
    std::shared_ptr<UIButton> resetBtn_;
    std::shared_ptr<UILabel> label_;
    double goBackgroundTime_ = 0.0;
    // The boot clock when the host went away; the user can set the wall clock, not this one.
    std::optional<double> goBackgroundBootTime_;
    std::int32_t failCount_ = 0;
    std::shared_ptr<NSBundle> bundle_;
    // Whether the settings store could not be read when the passcode was last loaded.
    bool storeUnreadable_ = false;
    // Views being shaken, by the plain pointer the animation carries as its context, so a stop
    // call for a view that has gone away finds nothing instead of a dangling pointer. A view
    // still on the screen is found through the view tree.
    std::map<const UIView*, std::weak_ptr<NSObject>> shaking_;
};
