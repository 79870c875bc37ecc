// The lock screen driven by an arbitrary stream of touches, taps, waits, trips to the
// background and outside changes to the LOCK settings, on a virtual clock. After every step the
// lock must hold together: nodes selected exactly while in the pattern, no node twice, a known
// mode, a fail count never negative, and PASS_CODE on disk either absent or a drawable pattern.
#include "fuzz/FuzzSupport.h"
#include "gesture/TQGestureLockView.h"
#include "host/GlyphwardLock.h"
#include "lockscreen/TQViewController.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/NSBundle.h"
#include "platform/foundation/NSNotificationCenter.h"
#include "platform/foundation/NSNumber.h"
#include "platform/foundation/NSRunLoop.h"
#include "platform/foundation/NSString.h"
#include "platform/foundation/NSUserDefaults.h"
#include "platform/runtime/RuntimeThunks.h"
#include "platform/toolkit/Toolkit.h"
#include "platform/ui/UIApplication.h"
#include "platform/ui/UIButton.h"
#include "platform/ui/UIScreen.h"
#include "platform/ui/UITouchInjector.h"
#include "platform/ui/UIViewAnimator.h"
#include "platform/ui/UIWindow.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

namespace {

// Each input starts the lock over one of three settings files, left as they are between inputs:
// no passcode, a five-node one, a one-node one. Choosing a file costs no write.
struct Start {
    const char* domain;
    const char* passcode;
};
constexpr Start kStarts[] = { { "org.glyphward.host", nullptr }, { "org.glyphward.host.five", "0,1,2,5,8" },
                              { "org.glyphward.host.one", "4" } };
constexpr std::size_t kStartCount = std::size(kStarts);
constexpr float kWidth = 320, kHeight = 568;
// Every flow fits twice over (set, confirm, six failures, the wait, a reset: about fourteen steps,
// a pattern being one). Inputs grow to use every step they are given, so this bounds the cost of
// a run once the corpus has matured.
constexpr std::size_t kMaxSteps = 32;

class FuzzHostDelegate : public NSObject {
public:
    GLYPHWARD_RUNTIME_CLASS(FuzzHostDelegate, NSObject);
    UIWindow* window() const { return window_.get(); }
    std::shared_ptr<UIWindow> window_;
};
const ClassRegistration hostDelegateClass = ClassRegistration::of<FuzzHostDelegate>()
    .method("window", imp_implementationWithMember<&FuzzHostDelegate::window>());

[[noreturn]] void fail(const char* what, const std::string& detail = "")
{
    std::fprintf(stderr, "lock invariant broken: %s %s\n", what, detail.c_str());
    std::abort();
}

// Digits separated by single commas, no index twice, every index a node of the 3×3 grid.
bool isWellFormedPasscode(const std::string& text)
{
    if (text.empty())
        return false;
    unsigned seen = 0;
    bool expectDigit = true;
    for (char c : text) {
        if (expectDigit) {
            if (c < '0' || c > '8' || (seen & (1u << (c - '0'))) != 0)
                return false;
            seen |= 1u << (c - '0');
            expectDigit = false;
        } else {
            if (c != ',')
                return false;
            expectDigit = true;
        }
    }
    return !expectDigit;
}

struct Device {
    std::shared_ptr<VirtualClock> clock;
    std::shared_ptr<FuzzHostDelegate> host;
    std::shared_ptr<GlyphwardLock> lock;
    // Another process's view of each settings file, and the lock's own store of each, kept
    // alive so that moving between them allocates nothing.
    std::array<std::shared_ptr<NSUserDefaults>, kStartCount> outsides;
    std::array<std::shared_ptr<NSUserDefaults>, kStartCount> stores;
    std::size_t start = 0;
    std::shared_ptr<NSUserDefaults> outside;
    bool background = false;

    Device()
    {
        fuzz::privateRoot(true);
        fuzz::quietLogs();
        // The background picture is decoded at every launch and plays no part in the lock's
        // logic: a node's picture stands in for it, which keeps an input well under a millisecond.
        const std::string bundle = fuzz::privateRoot() + "/Library/Application Support/WeChat/";
        std::error_code ignored;
        for (const char* suffix : { "", "@2x", "@3x" })
            std::filesystem::remove(bundle + "bg" + suffix + ".png", ignored);
        std::filesystem::copy_file(bundle + "gesture_node_normal.png", bundle + "bg.png", ignored);
        NSBundle::setPreferredLanguages({ "en" });
        // Scale 1: the smallest pictures to decode at each launch; the lock works in points alike.
        UIScreen::setMainScreen(std::make_shared<UIScreen>(CGSizeMake(kWidth, kHeight), 1.0f));
        clock = std::make_shared<VirtualClock>(1'800'000'000.0);
        Clock::setCurrent(clock);
        for (std::size_t i = 0; i < kStartCount; ++i) {
            outsides[i] = std::make_shared<NSUserDefaults>(kStarts[i].domain, NSUserDefaults::pathForDomain(kStarts[i].domain));
            stores[i] = NSUserDefaults::defaultsForDomain(kStarts[i].domain);
            start = i;
            outside = outsides[i];
            restoreSettings();
        }
        start = 0;
        outside = outsides[0];
    }

    // Everything an input made goes again before it ends, so the leak check sees a clean slate.
    void tearDown()
    {
        restoreSettings();
        fuzz::toolkit().dropContents();
        lock.reset();
        host.reset();
        background = false;
    }

    // The settings file goes back to how the input found it and both stores see it, so that an
    // input leaves the values it found: libFuzzer then counts as many frees as allocations and
    // does not run the input a second time looking for a leak. Nothing is written when nothing changed.
    void restoreSettings()
    {
        const auto& own = stores[start];
        own->synchronize();
        bool changed = false;
        for (const char* key : { "LOCK_IS_NEED_LOCK", "LOCK_INTERVAL", "LOCK_LOCK_OFF" }) {
            if (outside->objectForKey(key)) {
                outside->removeObjectForKey(key);
                changed = true;
            }
        }
        const char* wanted = kStarts[start].passcode;
        if (outside->stringForKey("PASS_CODE") != (wanted ? std::optional<std::string>(wanted) : std::nullopt)) {
            outside->setObject(wanted ? NSString::stringWithString(wanted) : nullptr, "PASS_CODE");
            changed = true;
        }
        if (changed)
            outside->synchronize();
        own->synchronize();
    }

    // A fresh process's lock, launched by the library's own code, over the store chosen.
    void launch(std::uint8_t storeState)
    {
        tearDown();

        start = storeState % kStartCount;
        outside = outsides[start];
        NSUserDefaults::setStandardDomain(kStarts[start].domain);

        host = std::make_shared<FuzzHostDelegate>();
        host->window_ = alloc<UIWindow>();
        host->window_->initWithFrame(UIScreen::mainScreen()->bounds());
        host->window_->makeKeyAndVisible();
        UIApplication::sharedApplication()->setDelegate(host);

        lock = std::make_shared<GlyphwardLock>();
        lock->install(host);
        lock->window()->layoutIfNeeded();
    }

    const TQViewController& controller() const { return *lock->controller(); }

    CGPoint nodeCentre(std::size_t index) const
    {
        const auto& buttons = controller().lockView()->buttons();
        const auto& node = buttons.at(index % buttons.size());
        return node->superview()->convertPointToView(node->center(), nullptr);
    }

    void goBackground()
    {
        if (background)
            return;
        background = true;
        UITouchInjector::shared().cancel();
        lock->registerLock();
        NSNotificationCenter::defaultCenter().postNotificationName("UIApplicationDidEnterBackgroundNotification", nullptr);
    }
    void goForeground()
    {
        if (!background)
            return;
        background = false;
        lock->fadeInIfNeeded();
    }
    void wait(double seconds) { NSRunLoop::mainRunLoop().runUntil(clock->monotonicNow() + seconds); }

    // Inside a drawn pattern the settings file is not read again: nothing writes it until the
    // finger lifts, and the full check follows every step.
    enum class Disk { Read, Skip };

    void check(Disk disk = Disk::Read) const
    {
        const TQViewController& lockController = controller();
        const auto& view = lockController.lockView();
        if (!view)
            fail("no lock view");
        // A pattern holds at most nine nodes: plain searches beat a set here, which runs after every step.
        const auto& selected = view->selectedButtons();
        const auto& buttons = view->buttons();
        for (auto it = selected.begin(); it != selected.end(); ++it) {
            if (std::find(selected.begin(), it, *it) != it)
                fail("node twice in the pattern", std::to_string((*it)->tag()));
            if (std::find(buttons.begin(), buttons.end(), *it) == buttons.end())
                fail("pattern holds foreign nodes");
        }
        for (const auto& button : buttons)
            if (button->isSelected() != (std::find(selected.begin(), selected.end(), button) != selected.end()))
                fail("node selection differs from the pattern", std::to_string(button->tag()));

        // The controller names its mode; the flags behind it must agree: setting knows no reset,
        // and every verification has a passcode to compare with (the store here always reads).
        const TQViewController::Mode mode = lockController.mode();
        const bool reset = lockController.isResetPasscode();
        const bool known = lockController.passcode().has_value();
        const bool setting = mode == TQViewController::Mode::Setting || mode == TQViewController::Mode::Confirm;
        if ((setting && reset) || (!setting && !known))
            fail("mode outside the table", std::string(TQViewController::modeName(mode)) + " reset=" + std::to_string(reset) + " passcode=" + std::to_string(known));
        if (lockController.failCount() < 0)
            fail("negative fail count", std::to_string(lockController.failCount()));

        if (disk == Disk::Skip)
            return;
        const auto stored = outside->objectForKey("PASS_CODE");
        if (stored) {
            const auto text = std::dynamic_pointer_cast<NSString>(stored);
            if (!text || !isWellFormedPasscode(text->string()))
                fail("PASS_CODE on disk is not a passcode", stored->description());
        }
    }
};

Device& device()
{
    static Device d;
    return d;
}

// Reads bytes off the input; zeros once it runs out.
struct Reader {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t pos = 0;
    bool done() const { return pos >= size; }
    std::uint8_t byte() { return pos < size ? data[pos++] : 0; }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Device& d = device();
    Reader in { data, size };
    d.launch(in.byte());
    d.check();

    auto& finger = UITouchInjector::shared();
    for (std::size_t step = 0; step < kMaxSteps && !in.done(); ++step) {
        const std::uint8_t op = in.byte();
        switch (op % 12) {
        case 0: { // A whole pattern through up to nine nodes.
            const std::size_t count = 1 + in.byte() % 9;
            for (std::size_t i = 0; i < count; ++i) {
                const CGPoint p = d.nodeCentre(in.byte());
                if (i == 0)
                    finger.down(p);
                else
                    finger.move(p);
                d.check(Device::Disk::Skip);
            }
            finger.up();
            break;
        }
        case 1: finger.down(d.nodeCentre(in.byte())); break;
        case 2: finger.move(d.nodeCentre(in.byte())); break;
        case 3: // Anywhere on the screen, or a little off it.
            finger.move(CGPointMake(static_cast<float>(in.byte()) * 1.4f - 20.0f, static_cast<float>(in.byte()) * 2.4f - 20.0f));
            break;
        case 4: finger.up(); break;
        case 5: finger.cancel(); break;
        case 6: { // A tap somewhere, or on the reset button.
            CGPoint p = CGPointMake(static_cast<float>(in.byte()) * 1.25f, static_cast<float>(in.byte()) * 2.22f);
            if (const auto& button = d.controller().resetBtn(); button && (op & 0x10))
                p = button->convertPointToView(CGPointMake(button->bounds().size.width / 2, button->bounds().size.height / 2), nullptr);
            finger.down(p);
            finger.up();
            break;
        }
        case 7: d.wait(static_cast<double>(in.byte()) / 16.0); break;
        case 8: d.wait(static_cast<double>(in.byte()) * 4.0); break;
        case 9: d.goBackground(); break;
        case 10: d.goForeground(); break;
        default: { // The outside tool changes a LOCK setting.
            const std::uint8_t which = in.byte();
            const std::uint8_t value = in.byte();
            switch (which % 4) {
            case 0: d.outside->setBool(value & 1, "LOCK_IS_NEED_LOCK"); break;
            case 1: d.outside->setFloat(static_cast<float>(value) - 16.0f, "LOCK_INTERVAL"); break;
            case 2: d.outside->setBool(value & 1, "LOCK_LOCK_OFF"); break;
            default: d.outside->removeObjectForKey(value & 1 ? "LOCK_INTERVAL" : "LOCK_IS_NEED_LOCK"); break;
            }
            d.outside->synchronize();
            break;
        }
        }
        d.check();
    }
    finger.cancel();
    d.check();
    d.tearDown();
    return 0;
}
