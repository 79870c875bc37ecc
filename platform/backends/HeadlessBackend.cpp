#include "platform/backends/HeadlessBackend.h"

#include "platform/compositor/Renderer.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/NSRunLoop.h"
#include "platform/graphics/UIImage.h"
#include "platform/ui/UIViewAnimator.h"

#include <algorithm>
#include <cmath>

PixelRect HeadlessBackend::renderFrame() { return Renderer::shared().renderScreen(); }

void HeadlessBackend::advance(double seconds, double frameInterval)
{
    if (!(seconds > 0) || !std::isfinite(seconds))
        return;
    if (!(frameInterval > 0) || !std::isfinite(frameInterval))
        frameInterval = 1.0 / 60.0;
    NSRunLoop& loop = NSRunLoop::mainRunLoop();
    const double end = Clock::current().monotonicNow() + seconds;
    for (;;) {
        const double now = Clock::current().monotonicNow();
        if (now >= end)
            break;
        // While nothing animates, skip straight to the next piece of due work.
        double next = end;
        if (UIViewAnimator::shared().hasAnimationsInFlight())
            next = std::min(now + frameInterval, end);
        else if (auto due = loop.nextFireTime())
            next = std::clamp(*due, now, end);
        loop.runUntil(next);
        renderFrame();
        if (Clock::current().monotonicNow() <= now && next <= now) {
            // Work due now was fired without the clock moving; step on so the loop ends.
            loop.runUntil(std::min(now + frameInterval, end));
            renderFrame();
        }
    }
}

std::shared_ptr<UIImage> HeadlessBackend::snapshot() { return Renderer::snapshotScreen(); }
