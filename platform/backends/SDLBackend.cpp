#include "platform/backends/SDLBackend.h"

#include "platform/backends/FramePacing.h"
#include "platform/backends/HelpOverlay.h"
#include "platform/backends/ScreenCover.h"
#include "platform/backends/SDLScreenWindow.h"
#include "platform/backends/SDLWindowIdentity.h"
#include "platform/backends/SDLWindowInput.h"
#include "platform/backends/WindowInputRecorder.h"
#include "platform/backends/X11EventWait.h"
#include "platform/backends/X11WindowFrame.h"
#include "platform/compositor/Renderer.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/NSRunLoop.h"
#include "platform/toolkit/Toolkit.h"
#include "platform/ui/UIKeyPress.h"
#include "platform/ui/UIScreen.h"
#include "platform/ui/UIViewAnimator.h"
#include "platform/ui/UIWindow.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <sstream>
#include <string>

namespace {

// How long the loop sleeps at most while nothing is due, so a quit is never far away.
constexpr double kIdleWaitSeconds = 0.25;

WindowFit fitForMainScreen()
{
    auto screen = UIScreen::mainScreen();
    const float scale = screen ? screen->scale() : 1.0f;
    const CGSize points = screen ? screen->bounds().size : CGSize { 320, 568 };
    const auto pixels = [scale](CGFloat side) { return std::max(1, static_cast<int>(std::ceil(side * scale))); };
    return WindowFit({ pixels(points.width), pixels(points.height) }, points);
}

// Whether a shown window is still on its way in, drawn less opaque than it is to end up: the lock
// fades in from transparent over the host, whose picture shows through it until it is done.
bool aWindowIsFadingIn()
{
    for (const auto& window : UIWindow::windowsFrontToBack())
        if (window && !window->isHidden() && window->presentationAlpha() < window->alpha())
            return true;
    return false;
}

// SDL's video, held for as long as the window: declared first, it is let go last.
struct VideoSubsystem {
    bool initialised = false;
    VideoSubsystem() = default;
    VideoSubsystem(const VideoSubsystem&) = delete;
    VideoSubsystem& operator=(const VideoSubsystem&) = delete;
    ~VideoSubsystem()
    {
        if (initialised)
            SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
    }
};

// The drivers SDL falls back to when no display answers: they draw nowhere a person can see.
bool drawsNowhere(const std::string& driver) { return driver == "offscreen" || driver == "dummy" || driver == "evdev"; }

// Whether SDL_VIDEODRIVER names this driver (it may list several, comma-separated).
bool askedForByName(const std::string& driver)
{
    const char* value = std::getenv("SDL_VIDEODRIVER");
    std::stringstream names(value ? value : "");
    for (std::string name; std::getline(names, name, ',');)
        if (name == driver)
            return true;
    return false;
}

} // namespace

struct SDLBackend::Impl {
    Impl() : window(fitForMainScreen()), input(window) { }

    VideoSubsystem video;
    SDLScreenWindow window;
    SDLWindowInput input;
    std::optional<X11EventWait> displayWait;
    std::shared_ptr<WindowInputRecorder> recorder;
    bool running = false;
    bool inBackground = false;
    // The cover stands in the screen's place from the moment the host is sent away until what the
    // lock decided on its return is fully drawn, so no frame of the host shows in between.
    bool covered = false;
    bool helpShown = false;
    bool needsPresent = true;
    bool animatedLastFrame = false;
    FramePacing pacing;

    // The help panel when asked for, else the banner over the cover while the host is in the background.
    void updateOverlay()
    {
        if (helpShown)
            window.setOverlay(HelpOverlay::keys());
        else if (inBackground)
            window.setOverlay(HelpOverlay::background());
        else
            window.setOverlay(std::nullopt);
        needsPresent = true;
    }

    // Until the window has found its place, every word from the window manager (it mapped,
    // framed or moved the window) is a chance to see the frame and fit it.
    void followWindowManager(const SDL_Event& event)
    {
        if (event.type != SDL_WINDOWEVENT || window.isSettled())
            return;
        const auto what = event.window.event;
        if (what == SDL_WINDOWEVENT_SHOWN || what == SDL_WINDOWEVENT_EXPOSED || what == SDL_WINDOWEVENT_MOVED
            || what == SDL_WINDOWEVENT_SIZE_CHANGED) {
            window.refit();
            // A size changed by the fit is drawn anew, whole.
            needsPresent = true;
        }
    }

    void handle(const SDL_Event& event, SDLBackend& backend)
    {
        followWindowManager(event);
        perform(input.handle(event), backend);
        if (input.isTouching() && (event.type == SDL_MOUSEMOTION || event.type == SDL_FINGERMOTION))
            pacing.noteMove();
    }

    FramePacing::Now now() const { return { SDL_GetTicks(), wantsFrame(), input.isTouching() }; }

    // Seconds until the run loop has work due, if it has any.
    static std::optional<double> untilWork()
    {
        const auto due = NSRunLoop::mainRunLoop().nextFireTime();
        if (!due)
            return std::nullopt;
        return std::max(0.0, *due - Clock::current().monotonicNow());
    }

    void perform(SDLWindowInput::Command command, SDLBackend& backend)
    {
        using Command = SDLWindowInput::Command;
        switch (command) {
        case Command::Quit:
            running = false;
            break;
        case Command::Redraw:
            needsPresent = true;
            break;
        case Command::ToggleHelp:
            helpShown = !helpShown;
            updateOverlay();
            break;
        case Command::Escape:
            // Escape closes the help first, then drops a pattern being entered, then puts the
            // keyboard away.
            if (helpShown) {
                helpShown = false;
                updateOverlay();
            } else if (!inBackground) {
                if (input.pressPatternKey(UIKeyPress::cancel()))
                    needsPresent = true;
                else
                    input.dismissKeyboard();
            }
            break;
        case Command::Background:
        case Command::Foreground:
            setInBackground(command == Command::Background, backend);
            break;
        case Command::None:
            break;
        }
    }

    void setInBackground(bool background, SDLBackend& backend)
    {
        if (background == inBackground)
            return;
        inBackground = background;
        input.setInBackground(background);
        updateOverlay();
        if (background) {
            // The cover is on screen before the host hears that it is going: whatever the host and
            // the lock draw on their way out, and whatever a task switcher takes now, is the cover.
            window.setCover(ScreenCover::renderForMainScreen());
            covered = true;
            present();
        }
        if (recorder && background)
            recorder->background();
        else if (recorder)
            recorder->foreground();
        const auto& report = background ? backend.onBackground : backend.onForeground;
        if (report)
            report();
    }

    // Renders what changed and shows it; while covered, shows the cover and renders nothing.
    void present()
    {
        if (covered && (inBackground || aWindowIsFadingIn())) {
            // Frames keep coming while a fade runs, so the cover goes as soon as it ends.
            animatedLastFrame = !inBackground && UIViewAnimator::shared().hasAnimationsInFlight();
            if (needsPresent)
                window.presentCover();
            needsPresent = false;
            pacing.noteShown(SDL_GetTicks());
            return;
        }
        if (covered) {
            // The screen has gone on changing under the cover: all of it is shown anew.
            covered = false;
            needsPresent = true;
        }
        const PixelRect damage = Renderer::shared().renderScreen();
        // One frame more after animations stop, so their end state is shown.
        animatedLastFrame = UIViewAnimator::shared().hasAnimationsInFlight();
        if (damage.isEmpty() && !needsPresent)
            return;
        window.present(Renderer::shared().frameBuffer(), damage, needsPresent);
        needsPresent = false;
        pacing.noteShown(SDL_GetTicks());
    }

    bool wantsFrame() const
    {
        // Nothing the host does while away is drawn, so it asks for no frames.
        if (covered && inBackground)
            return needsPresent;
        return needsPresent || animatedLastFrame || Toolkit::current().frameDue();
    }

    // The next event, waiting for it at most the milliseconds given.
    bool nextEvent(SDL_Event& event, int milliseconds)
    {
        if (!displayWait || !displayWait->available())
            return SDL_WaitEventTimeout(&event, milliseconds) != 0;
        const auto take = [&event] { return SDL_PeepEvents(&event, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) > 0; };
        // What the display sent since the last pump (read while a frame was shown, say) is found
        // by the wait, which then returns at once.
        if (take())
            return true;
        if (pacing.readsInputByFrame(now(), untilWork()))
            displayWait->sleep(milliseconds);
        else
            displayWait->wait(milliseconds);
        SDL_PumpEvents();
        return take();
    }

    // How long to sleep: until input, the next due work or the next frame, whichever is first.
    int waitMilliseconds() const
    {
        double wait = kIdleWaitSeconds;
        if (const auto work = untilWork())
            wait = std::min(wait, *work);
        if (const auto frame = pacing.untilFrame(now()))
            wait = std::min(wait, *frame / 1000.0);
        return static_cast<int>(std::ceil(wait * 1000.0));
    }
};

SDLBackend::SDLBackend() = default;

SDLBackend::~SDLBackend() = default;

Result<void> SDLBackend::open()
{
    if (impl_)
        return {};
    // Touches come from fingers as fingers; no mouse events made up from them and no fingers from the mouse.
    SDL_SetHint(SDL_HINT_TOUCH_MOUSE_EVENTS, "0");
    SDL_SetHint(SDL_HINT_MOUSE_TOUCH_EVENTS, "0");
    SDLWindowIdentity::nameClass();
    X11WindowFrame::tolerateEventsToClosedWindows();
    if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0)
        return Failure::because(SDL_GetError());
    // A display that hangs up (an X server resetting as its last client leaves, say) makes SDL
    // fall back to a driver that draws nowhere; a window there would run unseen for ever.
    const char* current = SDL_GetCurrentVideoDriver();
    const std::string driver = current ? current : "";
    if (drawsNowhere(driver) && !askedForByName(driver)) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
        return Failure::because("the display did not answer; only SDL's " + driver + " driver did");
    }
    auto impl = std::make_unique<Impl>();
    impl->video.initialised = true;
    impl->window.onNotice = onNotice;
    if (Result<void> created = impl->window.create(zoom_); !created.ok())
        return created;
    SDLWindowIdentity::setIcon(impl->window.window());
    impl->displayWait.emplace(impl->window.window());
    impl->recorder = recorder_;
    impl->input.setRecorder(recorder_);
    impl->window.refit();
    // SDL starts with text input on; it runs only while a text field has focus.
    SDL_StopTextInput();
    Renderer::shared().setNeedsFullRedraw();
    impl_ = std::move(impl);
    return {};
}

void SDLBackend::setRecorder(std::shared_ptr<WindowInputRecorder> recorder)
{
    recorder_ = std::move(recorder);
    if (impl_) {
        impl_->recorder = recorder_;
        impl_->input.setRecorder(recorder_);
    }
}

void SDLBackend::quit()
{
    if (impl_)
        impl_->running = false;
}

int SDLBackend::run()
{
    if (!impl_ && !open().ok())
        return 1;
    Impl& s = *impl_;
    s.running = true;
    s.needsPresent = true;
    NSRunLoop& loop = NSRunLoop::mainRunLoop();
    while (s.running) {
        SDL_Event event;
        if (s.nextEvent(event, s.waitMilliseconds())) {
            // Work that fell due while the loop slept fires before the input that woke it, in
            // time order, as a replay of the session on a virtual clock has it.
            loop.runDue();
            s.handle(event, *this);
            // The wait has read all the display had sent: what it queued is taken without asking
            // the display again for each event, which costs a few system calls every time.
            while (s.running && SDL_PeepEvents(&event, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) > 0) {
                loop.runDue();
                s.handle(event, *this);
            }
        }
        loop.runDue();
        if (!s.running)
            break;
        s.input.followFocus();
        if (s.pacing.step(s.now()) == FramePacing::Step::Show)
            s.present();
    }
    s.input.cancelTouch();
    SDL_StopTextInput();
    if (onQuit)
        onQuit();
    return 0;
}
