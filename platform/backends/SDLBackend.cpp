#include "platform/backends/SDLBackend.h"

#include "platform/foundation/Clock.h"
#include "platform/foundation/NSRunLoop.h"
#include "platform/graphics/Renderer.h"
#include "platform/ui/UIScreen.h"
#include "platform/ui/UITouchInjector.h"
#include "platform/ui/UIViewAnimator.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>

namespace {

constexpr Uint32 kFrameMilliseconds = 16;
// How long the loop sleeps at most while nothing is due, so a quit is never far away.
constexpr double kIdleWaitSeconds = 0.25;

enum class TouchOwner { None, Mouse, Finger };

} // namespace

struct SDLBackend::Impl {
    SDL_Window* window = nullptr;
    SDL_Renderer* renderer = nullptr;
    SDL_Texture* texture = nullptr;
    int textureWidth = 0, textureHeight = 0;
    bool initialised = false;
    bool running = false;
    bool inBackground = false;
    bool needsPresent = true;
    bool animatedLastFrame = false;
    Uint32 lastPresent = 0;
    TouchOwner owner = TouchOwner::None;
    CGPoint lastPoint {};
    SDL_FingerID finger = 0;

    ~Impl()
    {
        if (texture)
            SDL_DestroyTexture(texture);
        if (renderer)
            SDL_DestroyRenderer(renderer);
        if (window)
            SDL_DestroyWindow(window);
        if (initialised)
            SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
    }

    // Window coordinates to screen points: the window shows the whole screen.
    CGPoint toPoints(double x, double y) const
    {
        int width = 0, height = 0;
        SDL_GetWindowSize(window, &width, &height);
        auto screen = UIScreen::mainScreen();
        const CGSize points = screen ? screen->bounds().size : CGSize { static_cast<CGFloat>(width), static_cast<CGFloat>(height) };
        if (width <= 0 || height <= 0)
            return {};
        return { static_cast<CGFloat>(x * points.width / width), static_cast<CGFloat>(y * points.height / height) };
    }

    CGPoint fingerToPoints(const SDL_TouchFingerEvent& event) const
    {
        auto screen = UIScreen::mainScreen();
        int width = 0, height = 0;
        SDL_GetWindowSize(window, &width, &height);
        const CGSize points = screen ? screen->bounds().size : CGSize { static_cast<CGFloat>(width), static_cast<CGFloat>(height) };
        return { static_cast<CGFloat>(event.x * points.width), static_cast<CGFloat>(event.y * points.height) };
    }

    void touchDown(CGPoint point)
    {
        lastPoint = point;
        UITouchInjector::shared().down(point);
    }
    void touchMove(CGPoint point)
    {
        if (point == lastPoint)
            return;
        lastPoint = point;
        UITouchInjector::shared().move(point);
    }

    void cancelTouch()
    {
        if (owner != TouchOwner::None)
            UITouchInjector::shared().cancel();
        owner = TouchOwner::None;
    }

    bool ensureTexture(int width, int height)
    {
        if (texture && width == textureWidth && height == textureHeight)
            return true;
        if (texture)
            SDL_DestroyTexture(texture);
        texture = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING, width, height);
        textureWidth = width;
        textureHeight = height;
        needsPresent = true;
        SDL_SetWindowSize(window, width, height);
        return texture != nullptr;
    }

    // Renders what changed and shows it; the texture gets only the damaged rows.
    void present()
    {
        const PixelRect damage = Renderer::shared().renderScreen();
        const FrameBuffer& frame = Renderer::shared().frameBuffer();
        if (frame.width() <= 0 || frame.height() <= 0 || !ensureTexture(frame.width(), frame.height()))
            return;
        // One frame more after animations stop, so their end state is shown.
        animatedLastFrame = UIViewAnimator::shared().hasAnimationsInFlight();
        if (damage.isEmpty() && !needsPresent)
            return;
        PixelRect rows = needsPresent ? PixelRect { 0, 0, frame.width(), frame.height() } : PixelRect { 0, damage.y, frame.width(), damage.height };
        rows = rows.intersected({ 0, 0, frame.width(), frame.height() });
        if (!rows.isEmpty()) {
            const SDL_Rect rect { rows.x, rows.y, rows.width, rows.height };
            SDL_UpdateTexture(texture, &rect, frame.data() + static_cast<std::ptrdiff_t>(rows.y) * frame.stride(), frame.stride());
        }
        SDL_RenderClear(renderer);
        SDL_RenderCopy(renderer, texture, nullptr, nullptr);
        SDL_RenderPresent(renderer);
        needsPresent = false;
        lastPresent = SDL_GetTicks();
    }
};

SDLBackend::SDLBackend() : impl_(std::make_unique<Impl>()) { }

SDLBackend::~SDLBackend() = default;

bool SDLBackend::open()
{
    if (impl_->window)
        return true;
    // Touches come from fingers as fingers; no mouse events made up from them and no fingers from the mouse.
    SDL_SetHint(SDL_HINT_TOUCH_MOUSE_EVENTS, "0");
    SDL_SetHint(SDL_HINT_MOUSE_TOUCH_EVENTS, "0");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
        error_ = SDL_GetError();
        return false;
    }
    impl_->initialised = true;
    auto screen = UIScreen::mainScreen();
    const float scale = screen ? screen->scale() : 1.0f;
    const CGSize points = screen ? screen->bounds().size : CGSize { 320, 568 };
    const int width = std::max(1, static_cast<int>(std::ceil(points.width * scale)));
    const int height = std::max(1, static_cast<int>(std::ceil(points.height * scale)));
    impl_->window = SDL_CreateWindow("Glyphward", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, width, height, SDL_WINDOW_SHOWN);
    if (!impl_->window) {
        error_ = SDL_GetError();
        return false;
    }
    impl_->renderer = SDL_CreateRenderer(impl_->window, -1, 0);
    if (!impl_->renderer)
        impl_->renderer = SDL_CreateRenderer(impl_->window, -1, SDL_RENDERER_SOFTWARE);
    if (!impl_->renderer) {
        error_ = SDL_GetError();
        return false;
    }
    Renderer::shared().setNeedsFullRedraw();
    return true;
}

void SDLBackend::quit() { impl_->running = false; }

int SDLBackend::run()
{
    if (!impl_->window && !open())
        return 1;
    Impl& s = *impl_;
    s.running = true;
    s.needsPresent = true;
    auto background = [this] {
        if (impl_->inBackground)
            return;
        impl_->cancelTouch();
        impl_->inBackground = true;
        if (onBackground)
            onBackground();
    };
    auto foreground = [this] {
        if (!impl_->inBackground)
            return;
        impl_->inBackground = false;
        if (onForeground)
            onForeground();
    };
    auto handle = [&](const SDL_Event& event) {
        switch (event.type) {
        case SDL_QUIT:
            s.running = false;
            break;
        case SDL_WINDOWEVENT:
            switch (event.window.event) {
            case SDL_WINDOWEVENT_CLOSE:
                s.running = false;
                break;
            case SDL_WINDOWEVENT_MINIMIZED:
                background();
                break;
            case SDL_WINDOWEVENT_RESTORED:
                foreground();
                s.needsPresent = true;
                break;
            case SDL_WINDOWEVENT_FOCUS_LOST:
                s.cancelTouch();
                break;
            case SDL_WINDOWEVENT_EXPOSED:
            case SDL_WINDOWEVENT_SHOWN:
            case SDL_WINDOWEVENT_SIZE_CHANGED:
                s.needsPresent = true;
                break;
            default:
                break;
            }
            break;
        case SDL_KEYDOWN:
            if (event.key.repeat)
                break;
            if (event.key.keysym.sym == SDLK_b)
                background();
            else if (event.key.keysym.sym == SDLK_f)
                foreground();
            break;
        case SDL_MOUSEBUTTONDOWN:
            if (event.button.which != SDL_TOUCH_MOUSEID && event.button.button == SDL_BUTTON_LEFT && s.owner == TouchOwner::None) {
                s.owner = TouchOwner::Mouse;
                s.touchDown(s.toPoints(event.button.x, event.button.y));
            }
            break;
        case SDL_MOUSEMOTION:
            if (event.motion.which != SDL_TOUCH_MOUSEID && s.owner == TouchOwner::Mouse)
                s.touchMove(s.toPoints(event.motion.x, event.motion.y));
            break;
        case SDL_MOUSEBUTTONUP:
            if (event.button.which != SDL_TOUCH_MOUSEID && event.button.button == SDL_BUTTON_LEFT && s.owner == TouchOwner::Mouse) {
                s.touchMove(s.toPoints(event.button.x, event.button.y));
                UITouchInjector::shared().up();
                s.owner = TouchOwner::None;
            }
            break;
        case SDL_FINGERDOWN:
            // The first finger owns the touch; others are ignored until it lifts.
            if (s.owner == TouchOwner::None) {
                s.owner = TouchOwner::Finger;
                s.finger = event.tfinger.fingerId;
                s.touchDown(s.fingerToPoints(event.tfinger));
            }
            break;
        case SDL_FINGERMOTION:
            if (s.owner == TouchOwner::Finger && event.tfinger.fingerId == s.finger)
                s.touchMove(s.fingerToPoints(event.tfinger));
            break;
        case SDL_FINGERUP:
            if (s.owner == TouchOwner::Finger && event.tfinger.fingerId == s.finger) {
                s.touchMove(s.fingerToPoints(event.tfinger));
                UITouchInjector::shared().up();
                s.owner = TouchOwner::None;
            }
            break;
        default:
            break;
        }
    };

    NSRunLoop& loop = NSRunLoop::mainRunLoop();
    while (s.running) {
        // Sleep until input, the next due work or the next animation frame, whichever is first.
        const bool animating = UIViewAnimator::shared().hasAnimationsInFlight();
        double wait = kIdleWaitSeconds;
        if (auto due = loop.nextFireTime())
            wait = std::min(wait, std::max(0.0, *due - Clock::current().monotonicNow()));
        if (animating || s.animatedLastFrame || s.needsPresent || Renderer::shared().hasNotedDamage()) {
            const Uint32 sinceFrame = SDL_GetTicks() - s.lastPresent;
            wait = std::min(wait, sinceFrame >= kFrameMilliseconds ? 0.0 : (kFrameMilliseconds - sinceFrame) / 1000.0);
        }
        SDL_Event event;
        if (SDL_WaitEventTimeout(&event, static_cast<int>(std::ceil(wait * 1000.0)))) {
            handle(event);
            while (s.running && SDL_PollEvent(&event))
                handle(event);
        }
        loop.runDue();
        if (!s.running)
            break;
        const bool due = SDL_GetTicks() - s.lastPresent >= kFrameMilliseconds;
        if (due && (s.needsPresent || s.animatedLastFrame || UIViewAnimator::shared().hasAnimationsInFlight() || Renderer::shared().hasNotedDamage()))
            s.present();
    }
    s.cancelTouch();
    if (onQuit)
        onQuit();
    return 0;
}
