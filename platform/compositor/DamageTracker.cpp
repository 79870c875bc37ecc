#include "platform/compositor/DamageTracker.h"

#include "platform/compositor/ViewBackingStore.h"
#include "platform/compositor/ViewRecords.h"
#include "platform/ui/UIWindow.h"

using namespace compositor;

bool DamageTracker::hasNotedDamage() const { return fullRedraw_ || UIView::displayChangesPending(); }

void DamageTracker::collect(const std::vector<std::shared_ptr<UIWindow>>& windows, const PixelGrid& grid, std::uint64_t frame, ViewRecords& records)
{
    std::vector<const UIWindow*> order;
    for (const auto& window : windows)
        order.push_back(window.get());
    if (order != lastWindows_)
        fullRedraw_ = true;
    lastWindows_ = order;

    UIView::setDisplayChangesPending(false);
    // A new grid (scale, size) or a redraw behind the damage's back: the pictures of the last frame
    // say nothing about this one. A stale request from setPicturesStale lasts this frame only.
    const bool newGrid = !(grid.scale == grid_.scale && grid.bounds == grid_.bounds);
    picturesStale_ = staleRequested_ || newGrid || frame != frame_ + 1;
    staleRequested_ = false;
    grid_ = grid;
    frame_ = frame;
    damage_ = {};
    drawing_.clear();
    // Views gone since the last frame are damaged where they were, if they were shown then.
    records.prune();
    for (const ViewBackingStore::Shown& gone : records.takeVanished())
        if (gone.frame == frame - 1) {
            damage_ = damage_.united(grid.cover(gone.screenRect));
            picturesStale_ = true;
        }
    Walk walk { grid, frame, records, drawing_, damage_, {} };
    for (const auto& window : windows) {
        PixelRect ignored;
        collectChanges(window, CGAffineTransformIdentity, 1.0f, false, walk, ignored);
    }
    // What was shown last frame and was not met again (hidden, removed) is damaged where it was.
    records.forEach([&](const ViewBackingStore& store) {
        if (store.shown().frame != 0 && store.shown().frame == frame - 1) {
            walk.note(store.shown().screenRect);
            picturesStale_ = true;
        }
    });
}

CGRect DamageTracker::collectChanges(const std::shared_ptr<UIView>& view, CGAffineTransform parentToScreen, float parentOpacity,
    bool ancestorChanged, Walk& walk, PixelRect& parentContent)
{
    if (view->isHidden())
        return {};
    const CGAffineTransform toScreen = CGAffineTransformConcat(localToParent(*view), parentToScreen);
    if (!isUsable(toScreen) || !isUsable(view->bounds()))
        return {};
    const float alpha = clampedAlpha(view->presentationAlpha());
    const float opacity = parentOpacity * alpha;
    const CGRect rect = CGRectApplyAffineTransform(view->bounds(), toScreen);
    // A change of a parent's clipping, colour or content can uncover or cover its children
    // without moving them: they are damaged where they were and where they are.
    const bool changed = ancestorChanged || view->appearanceChanged();
    view->clearAppearanceChanged();

    ViewBackingStore& store = walk.records.of(*view);
    const ViewBackingStore::Shown& shown = store.shown();
    const bool shownLastFrame = shown.frame == walk.frame - 1 && walk.frame != 1;
    // Moved, changed or new: the view's own picture, and so its superviews', changed where it was
    // and where it is. A change of opacity alone changes what the screen shows, not the picture.
    const bool moved = changed || !shownLastFrame || !(shown.screenRect == rect);
    PixelRect content;
    if (moved || shown.opacity != opacity) {
        const PixelRect now = walk.note(rect);
        const PixelRect before = shown.frame != 0 ? walk.note(shown.screenRect) : PixelRect {};
        if (moved)
            content = now.united(before);
    }
    content = content.united(noteRedraw(view, store, toScreen, opacity, walk));

    CGRect subtree = rect;
    walk.path.push_back(&store);
    for (const auto& child : view->subviews()) {
        const CGRect childRect = collectChanges(child, toScreen, opacity, changed, walk, content);
        if (!view->clipsToBounds())
            subtree = CGRectUnion(subtree, childRect);
    }
    walk.path.pop_back();
    store.setContentDamage(walk.frame, content);
    // Its own fade changes its superview's picture wherever it and its children show.
    PixelRect forParent = content;
    if (shownLastFrame && shown.alpha != alpha)
        forParent = forParent.united(walk.grid.cover(subtree).united(walk.grid.cover(shown.subtreeRect)).intersected(walk.grid.bounds));
    parentContent = parentContent.united(forParent);
    store.setShown({ walk.frame, rect, opacity, subtree, alpha });
    return subtree;
}

PixelRect DamageTracker::noteRedraw(const std::shared_ptr<UIView>& view, ViewBackingStore& store, CGAffineTransform toScreen, float opacity, Walk& walk)
{
    if (!view->drawsContent()) {
        if (!view->needsDisplay())
            return {};
        // Nothing is retained: the asked part is composed again from what the view is.
        const PixelRect asked = walk.note(CGRectApplyAffineTransform(CGRectIntersection(view->needsDisplayRect(), view->bounds()), toScreen));
        view->clearNeedsDisplay();
        return asked;
    }
    if (opacity > 0)
        walk.drawing.push_back({ view, &store, toScreen, { walk.path.rbegin(), walk.path.rend() } });
    return {};
}

void DamageTracker::redraw()
{
    // Redrawn before composing, so that only what the drawing changed is damaged.
    const double s = grid_.scale;
    for (const Drawing& d : drawing_) {
        const PixelRect changed = d.store->redraw(*d.view, grid_.scale).changed;
        if (changed.isEmpty())
            continue;
        const CGRect b = d.view->bounds();
        const CGRect local { { b.origin.x + static_cast<CGFloat>(changed.x / s), b.origin.y + static_cast<CGFloat>(changed.y / s) },
            { static_cast<CGFloat>(changed.width / s), static_cast<CGFloat>(changed.height / s) } };
        const PixelRect pixels = grid_.cover(CGRectApplyAffineTransform(local, d.toScreen)).intersected(grid_.bounds);
        damage_ = damage_.united(pixels);
        d.store->addContentDamage(frame_, pixels);
        for (ViewBackingStore* ancestor : d.ancestors)
            ancestor->addContentDamage(frame_, pixels);
    }
    drawing_.clear();
}

PixelRect DamageTracker::take()
{
    const PixelRect damage = fullRedraw_ ? grid_.bounds : damage_.intersected(grid_.bounds);
    fullRedraw_ = false;
    damage_ = {};
    return damage;
}
