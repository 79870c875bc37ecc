#include "platform/compositor/DamageTracker.h"

#include "platform/compositor/ViewBackingStore.h"
#include "platform/ui/UIWindow.h"

using namespace compositor;

bool DamageTracker::hasNotedDamage() const { return fullRedraw_ || UIView::displayChangesPending(); }

PixelRect DamageTracker::collect(const std::vector<std::shared_ptr<UIWindow>>& windows, const PixelGrid& grid, std::uint64_t frame)
{
    std::vector<const UIWindow*> order;
    for (const auto& window : windows)
        order.push_back(window.get());
    if (order != lastWindows_)
        fullRedraw_ = true;
    lastWindows_ = order;

    // What was shown last frame and was not met again (hidden, removed, gone) is damaged where it was.
    UIView::setDisplayChangesPending(false);
    nextShown_.clear();
    Walk walk { grid, frame, nextShown_ };
    for (const auto& window : windows)
        collectChanges(*window, CGAffineTransformIdentity, 1.0f, false, walk);
    for (const Shown& previous : shown_) {
        auto object = previous.view.lock();
        const auto* view = dynamic_cast<const UIView*>(object.get());
        if (!view || !view->backingStore() || view->backingStore()->shown().frame != frame)
            walk.note(previous.screenRect);
    }
    shown_.swap(nextShown_);

    const PixelRect damage = fullRedraw_ ? grid.bounds : walk.damage.intersected(grid.bounds);
    fullRedraw_ = false;
    return damage;
}

CGRect DamageTracker::collectChanges(const UIView& view, CGAffineTransform parentToScreen, float parentOpacity, bool ancestorChanged, Walk& walk)
{
    if (view.isHidden())
        return {};
    const CGAffineTransform toScreen = CGAffineTransformConcat(localToParent(view), parentToScreen);
    if (!isUsable(toScreen) || !isUsable(view.bounds()))
        return {};
    const float opacity = parentOpacity * clampedAlpha(view.presentationAlpha());
    const CGRect rect = CGRectApplyAffineTransform(view.bounds(), toScreen);
    // A change of a parent's clipping, colour or content can uncover or cover its children
    // without moving them: they are damaged where they were and where they are.
    const bool changed = ancestorChanged || view.appearanceChanged();
    const_cast<UIView&>(view).clearAppearanceChanged();

    ViewBackingStore& store = ViewBackingStore::of(view);
    const ViewBackingStore::Shown& shown = store.shown();
    const bool shownLastFrame = shown.frame == walk.frame - 1 && walk.frame != 1;
    if (changed || !shownLastFrame || !(shown.screenRect == rect) || shown.opacity != opacity) {
        walk.note(rect);
        if (shown.frame != 0)
            walk.note(shown.screenRect);
    }
    noteRedraw(view, toScreen, opacity, walk);
    walk.shown.push_back({ view.weak_from_this(), rect });

    CGRect subtree = rect;
    for (const auto& child : view.subviews()) {
        const CGRect childRect = collectChanges(*child, toScreen, opacity, changed, walk);
        if (!view.clipsToBounds())
            subtree = CGRectUnion(subtree, childRect);
    }
    store.setShown({ walk.frame, rect, opacity, subtree });
    return subtree;
}

void DamageTracker::noteRedraw(const UIView& view, CGAffineTransform toScreen, float opacity, Walk& walk)
{
    if (!view.drawsContent()) {
        if (!view.needsDisplay())
            return;
        // Nothing is retained: the asked part is composed again from what the view is.
        walk.note(CGRectApplyAffineTransform(CGRectIntersection(view.needsDisplayRect(), view.bounds()), toScreen));
        const_cast<UIView&>(view).clearNeedsDisplay();
        return;
    }
    // Redrawn now, before composing, so that only what the drawing changed is damaged. A view
    // faded out entirely keeps its request until it shows.
    if (!(opacity > 0))
        return;
    const PixelRect changed = ViewBackingStore::of(view).redraw(view, walk.grid.scale).changed;
    if (changed.isEmpty())
        return;
    const double s = walk.grid.scale;
    const CGRect b = view.bounds();
    const CGRect local { { b.origin.x + static_cast<CGFloat>(changed.x / s), b.origin.y + static_cast<CGFloat>(changed.y / s) },
        { static_cast<CGFloat>(changed.width / s), static_cast<CGFloat>(changed.height / s) } };
    walk.note(CGRectApplyAffineTransform(local, toScreen));
}
