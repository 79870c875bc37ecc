#pragma once
// A device for the benchmarks: a private copy of the staged device root, a virtual clock, a
// screen, and (on demand) the lock in front of a host window, shown as the library shows it.
#include "platform/graphics/CGGeometry.h"
#include "platform/toolkit/Toolkit.h"

#include <memory>
#include <string>
#include <vector>

class GlyphwardLock;
class TQViewController;
class UIWindow;
class VirtualClock;

namespace bench {

class BenchDevice {
public:
    // Copies the staged root once per process and points the toolkit at the copy.
    static BenchDevice& shared();

    // Forgets windows, pending work, animations and touches, then installs a screen of that size.
    void resetScreen(float widthPoints, float heightPoints, float scale);
    // The lock screen as at launch: a host window, then the lock window in front of it, key.
    // With storedPasscode the store holds that pattern first, so the screen verifies.
    std::shared_ptr<TQViewController> launchLockScreen(const std::string& storedPasscode);
    // The centre of a node of the lock screen's gesture view, in screen points.
    CGPoint nodeCentre(int index) const;
    void removeStoredPasscode();
    // One pattern drawn with the finger, node by node, then lifted.
    void drawPattern(const std::vector<int>& nodes);
    // Runs the main run loop (timers, the ends of animations) until the clock is that much later.
    void advance(double seconds);
    // The host's way back to the lock: the lock unlocks and fades out, the host goes to the
    // background and returns with a lock due, and the lock's fade in has just begun.
    void unlockThenReturn();

    const std::string& root() const { return root_; }
    const std::shared_ptr<VirtualClock>& clock() const { return clock_; }

    ~BenchDevice();

private:
    BenchDevice();

    // First, so that it is built before the rest and outlives it.
    Toolkit toolkit_;
    std::string root_;
    std::shared_ptr<VirtualClock> clock_;
    std::shared_ptr<UIWindow> hostWindow_;
    std::shared_ptr<GlyphwardLock> lock_;
};

} // namespace bench
