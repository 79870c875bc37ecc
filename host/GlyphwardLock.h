#pragma once
#include <memory>

class NSObject;
class TQViewController;
class UIWindow;

// The lock as the library puts it in front of the host: the one lock controller and the one lock
// window, made when the host has finished launching, faded out by the controller's unlock block
// and faded in again on a return from the background. The library's hooks hold a single instance;
// tests, fuzz targets and benchmarks hold their own and drive it as the hooks do.
//
// It lives in a std::shared_ptr: the blocks it hands out reach it through a weak reference, so an
// unlock block run after the lock is gone does nothing.
class GlyphwardLock : public std::enable_shared_from_this<GlyphwardLock> {
public:
    // The host has finished launching: makes the controller, gives it the unlock block (which
    // holds hostDelegate), and shows the lock window over the main screen, key and in front.
    void install(const std::shared_ptr<NSObject>& hostDelegate);
    // The host has entered the background: the controller records the time. Nothing before install.
    void registerLock();
    // The host is about to return to the foreground: fades the lock in when the controller asks
    // for it. Nothing before install.
    void fadeInIfNeeded();

    const std::shared_ptr<TQViewController>& controller() const { return controller_; }
    const std::shared_ptr<UIWindow>& window() const { return window_; }

private:
    void fadeOut(const std::shared_ptr<NSObject>& hostDelegate);
    void fadeIn();
    void setAlpha(float alpha);

    std::shared_ptr<TQViewController> controller_;
    std::shared_ptr<UIWindow> window_;
};
