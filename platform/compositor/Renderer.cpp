#include "platform/compositor/Renderer.h"

#include "platform/compositor/ViewBackingStore.h"
#include "platform/graphics/CGContext.h"
#include "platform/graphics/UIImage.h"
#include "platform/ui/UIImageView.h"
#include "platform/ui/UIScreen.h"
#include "platform/ui/UIView.h"
#include "platform/ui/UIWindow.h"

#include <algorithm>
#include <cmath>

namespace {

// Surfaces beyond this many pixels a side are not made: a runaway frame must not exhaust memory.
constexpr double kMaxSurfaceSide = 16384.0;

bool isUsable(CGAffineTransform t)
{
    if (!CGFloatsAreFinite({ t.a, t.b, t.c, t.d, t.tx, t.ty }))
        return false;
    const double determinant = static_cast<double>(t.a) * t.d - static_cast<double>(t.b) * t.c;
    return determinant != 0 && std::isfinite(determinant);
}

bool isUsable(CGRect r) { return CGFloatsAreFinite({ r.origin.x, r.origin.y, r.size.width, r.size.height }) && r.size.width >= 0 && r.size.height >= 0; }

// From the view's bounds coordinates to its superview's: the transform turns about the centre.
CGAffineTransform localToParent(const UIView& view)
{
    const CGRect b = view.bounds();
    const CGPoint c = view.center();
    CGAffineTransform t = CGAffineTransformMakeTranslation(-b.origin.x - b.size.width / 2, -b.origin.y - b.size.height / 2);
    t = CGAffineTransformConcat(t, view.presentationTransform());
    return CGAffineTransformConcat(t, CGAffineTransformMakeTranslation(c.x, c.y));
}

ViewBackingStore& storeOf(const UIView& view)
{
    if (!view.backingStore())
        const_cast<UIView&>(view).setBackingStore(std::make_shared<ViewBackingStore>());
    return *view.backingStore();
}

std::vector<std::shared_ptr<UIWindow>> windowsBackToFront()
{
    auto windows = UIWindow::windowsFrontToBack();
    std::reverse(windows.begin(), windows.end());
    return windows;
}

float clampedAlpha(float alpha) { return std::isfinite(alpha) ? std::clamp(alpha, 0.0f, 1.0f) : 0.0f; }

} // namespace

Renderer& Renderer::shared()
{
    static Renderer renderer;
    return renderer;
}

Renderer::Screen Renderer::currentScreen()
{
    if (auto screen = UIScreen::mainScreen(); screen && screen->scale() > 0 && std::isfinite(screen->scale()))
        return { screen->bounds().size, screen->scale() };
    // Without a configured screen, the windows decide the size.
    CGSize size {};
    for (const auto& window : UIWindow::windowsFrontToBack()) {
        const CGRect f = window->frame();
        if (isUsable(f)) {
            size.width = std::max(size.width, CGRectGetMaxX(f));
            size.height = std::max(size.height, CGRectGetMaxY(f));
        }
    }
    return { size, 1.0f };
}

PixelRect Renderer::toPixels(CGRect r) const
{
    if (!isUsable(r) || CGRectIsEmpty(r))
        return {};
    // One pixel of margin for antialiased edges that spill past the geometry.
    const double s = scale_;
    const double left = std::floor(r.origin.x * s) - 1, top = std::floor(r.origin.y * s) - 1;
    const double right = std::ceil(CGRectGetMaxX(r) * s) + 1, bottom = std::ceil(CGRectGetMaxY(r) * s) + 1;
    const PixelRect whole { 0, 0, screen_.width(), screen_.height() };
    auto clampToInt = [](double v) { return static_cast<int>(std::clamp(v, -1.0e6, 1.0e6)); };
    const PixelRect rect { clampToInt(left), clampToInt(top), clampToInt(right) - clampToInt(left), clampToInt(bottom) - clampToInt(top) };
    return rect.intersected(whole);
}

void Renderer::noteDamage(CGRect screenRect) { damage_ = damage_.united(toPixels(screenRect)); }

bool Renderer::hasNotedDamage() const { return fullRedraw_ || UIView::displayChangesPending() || !damage_.isEmpty(); }

std::optional<CGRect> Renderer::screenRectOfView(const UIView& view)
{
    CGAffineTransform toScreen = CGAffineTransformIdentity;
    const UIView* current = &view;
    std::shared_ptr<UIView> holder;
    for (;;) {
        auto parent = current->superview();
        if (!parent) {
            // The root of the chain must be a window for the view to be on screen; a window's
            // frame is in screen points.
            if (!dynamic_cast<const UIWindow*>(current))
                return std::nullopt;
            toScreen = CGAffineTransformConcat(toScreen, localToParent(*current));
            break;
        }
        toScreen = CGAffineTransformConcat(toScreen, localToParent(*current));
        holder = parent;
        current = holder.get();
    }
    if (!isUsable(toScreen) || !isUsable(view.bounds()))
        return std::nullopt;
    return CGRectApplyAffineTransform(view.bounds(), toScreen);
}

CGRect Renderer::collectChanges(const UIView& view, CGAffineTransform parentToScreen, float parentOpacity, bool ancestorChanged)
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
    UIView& mutableView = const_cast<UIView&>(view);
    mutableView.clearAppearanceChanged();

    ViewBackingStore& store = storeOf(view);
    const ViewBackingStore::Shown& shown = store.shown();
    const bool shownLastFrame = shown.frame == frame_ && frame_ != 0;
    if (changed || !shownLastFrame || !(shown.screenRect == rect) || shown.opacity != opacity) {
        noteDamage(rect);
        if (shown.frame != 0)
            noteDamage(shown.screenRect);
    }
    if (view.drawsContent()) {
        // Redrawn now, before composing, so that only what the drawing changed is damaged. A
        // view faded out entirely keeps its request until it shows.
        if (opacity > 0) {
            const PixelRect changedPixels = updateBackingStore(view);
            if (!changedPixels.isEmpty()) {
                const CGRect b = view.bounds();
                const CGRect local { { b.origin.x + static_cast<CGFloat>(changedPixels.x / static_cast<double>(scale_)),
                                         b.origin.y + static_cast<CGFloat>(changedPixels.y / static_cast<double>(scale_)) },
                    { static_cast<CGFloat>(changedPixels.width / static_cast<double>(scale_)),
                        static_cast<CGFloat>(changedPixels.height / static_cast<double>(scale_)) } };
                noteDamage(CGRectApplyAffineTransform(local, toScreen));
            }
        }
    } else if (view.needsDisplay()) {
        // Nothing is retained: the asked part is composed again from what the view is.
        noteDamage(CGRectApplyAffineTransform(CGRectIntersection(view.needsDisplayRect(), view.bounds()), toScreen));
        mutableView.clearNeedsDisplay();
    }
    nextShownViews_.push_back({ view.weak_from_this(), rect });

    CGRect subtree = rect;
    const auto& children = view.subviews();
    for (const auto& child : children) {
        const CGRect childRect = collectChanges(*child, toScreen, opacity, changed);
        if (!view.clipsToBounds())
            subtree = CGRectUnion(subtree, childRect);
    }
    store.setShown({ frame_ + 1, rect, opacity, subtree });
    return subtree;
}

PixelRect Renderer::updateBackingStore(const UIView& view)
{
    ViewBackingStore& store = storeOf(view);
    const CGRect b = view.bounds();
    const double width = std::ceil(static_cast<double>(b.size.width) * scale_);
    const double height = std::ceil(static_cast<double>(b.size.height) * scale_);
    if (!(width >= 1 && height >= 1 && width <= kMaxSurfaceSide && height <= kMaxSurfaceSide)) {
        store.dropSurface();
        return {};
    }
    const bool fresh = store.ensureSurface(static_cast<int>(width), static_cast<int>(height));
    if (!fresh && !view.needsDisplay())
        return {};
    const PixelRect whole { 0, 0, store.pixelWidth(), store.pixelHeight() };
    PixelRect area = whole;
    if (!fresh) {
        // The asked rectangle in surface pixels, rounded out.
        const CGRect asked = CGRectIntersection(view.needsDisplayRect(), b);
        if (CGRectIsEmpty(asked)) {
            const_cast<UIView&>(view).clearNeedsDisplay();
            return {};
        }
        const double left = std::floor((asked.origin.x - b.origin.x) * static_cast<double>(scale_));
        const double top = std::floor((asked.origin.y - b.origin.y) * static_cast<double>(scale_));
        const double right = std::ceil((CGRectGetMaxX(asked) - b.origin.x) * static_cast<double>(scale_));
        const double bottom = std::ceil((CGRectGetMaxY(asked) - b.origin.y) * static_cast<double>(scale_));
        auto clampToInt = [](double v) { return static_cast<int>(std::clamp(v, -1.0e6, 1.0e6)); };
        area = PixelRect { clampToInt(left), clampToInt(top), clampToInt(right) - clampToInt(left), clampToInt(bottom) - clampToInt(top) }
                   .intersected(whole);
        if (area.isEmpty()) {
            const_cast<UIView&>(view).clearNeedsDisplay();
            return {};
        }
    }
    // Cleared first, so a drawRect that asks for another redraw gets it in a later frame.
    const_cast<UIView&>(view).clearNeedsDisplay();
    auto context = std::make_shared<CGContext>(store.beginRedraw(area), scale_, false);
    cairo_scale(context->cairo(), scale_, scale_);
    cairo_translate(context->cairo(), -b.origin.x, -b.origin.y);
    const double s = scale_;
    const CGRect dirty { { b.origin.x + static_cast<CGFloat>(area.x / s), b.origin.y + static_cast<CGFloat>(area.y / s) },
        { static_cast<CGFloat>(area.width / s), static_cast<CGFloat>(area.height / s) } };
    UIGraphicsPushContext(context);
    const_cast<UIView&>(view).drawRect(dirty);
    UIGraphicsPopContext();
    context.reset();
    const PixelRect changed = store.endRedraw(area);
    if (snapshotting_)
        setNeedsFullRedraw();
    return fresh ? whole : changed;
}

const UIView* Renderer::opaqueViewCovering(const UIView& view, CGAffineTransform parentToScreen, const PixelRect& damage) const
{
    // Conservative: shown at full alpha, placed by translations only, all the way down.
    if (view.isHidden() || !(clampedAlpha(view.presentationAlpha()) >= 1.0f))
        return nullptr;
    const CGAffineTransform toScreen = CGAffineTransformConcat(localToParent(view), parentToScreen);
    if (!isUsable(toScreen) || !isUsable(view.bounds()) || toScreen.a != 1 || toScreen.b != 0 || toScreen.c != 0 || toScreen.d != 1)
        return nullptr;
    const CGRect rect = CGRectApplyAffineTransform(view.bounds(), toScreen);
    // Only pixels the view covers whole count.
    const double s = scale_;
    const bool covers = std::ceil(rect.origin.x * s) <= damage.x && std::ceil(rect.origin.y * s) <= damage.y
        && std::floor(CGRectGetMaxX(rect) * s) >= damage.x + damage.width && std::floor(CGRectGetMaxY(rect) * s) >= damage.y + damage.height;
    if (view.clipsToBounds() && !covers)
        return nullptr;
    const auto& children = view.subviews();
    for (auto it = children.rbegin(); it != children.rend(); ++it)
        if (const UIView* found = opaqueViewCovering(**it, toScreen, damage))
            return found;
    if (!covers)
        return nullptr;
    if (view.backgroundColor() && CGColorComponentsFromColor(view.backgroundColor().get()).alpha >= 1.0)
        return &view;
    if (const auto* imageView = dynamic_cast<const UIImageView*>(&view); imageView && imageView->image() && imageView->image()->isOpaque())
        return &view;
    return nullptr;
}

PixelRect Renderer::renderScreen()
{
    const Screen screen = currentScreen();
    const double pixelWidth = std::ceil(static_cast<double>(screen.points.width) * screen.scale);
    const double pixelHeight = std::ceil(static_cast<double>(screen.points.height) * screen.scale);
    if (!(pixelWidth >= 0 && pixelWidth <= kMaxSurfaceSide && pixelHeight >= 0 && pixelHeight <= kMaxSurfaceSide))
        return {};
    if (screen_.resize(static_cast<int>(pixelWidth), static_cast<int>(pixelHeight)) || scale_ != screen.scale)
        fullRedraw_ = true;
    scale_ = screen.scale;

    const auto windows = windowsBackToFront();
    for (const auto& window : windows)
        window->layoutIfNeeded();
    std::vector<const UIWindow*> order;
    for (const auto& window : windows)
        order.push_back(window.get());
    if (order != lastWindows_)
        fullRedraw_ = true;
    lastWindows_ = order;

    // Compare every visible view with how it was last shown; what was shown last frame and was
    // not met again (hidden, removed, gone) is damaged where it was.
    UIView::setDisplayChangesPending(false);
    nextShownViews_.clear();
    for (const auto& window : windows)
        collectChanges(*window, CGAffineTransformIdentity, 1.0f, false);
    for (const Vanishing& previous : shownViews_) {
        auto object = previous.view.lock();
        const auto* view = dynamic_cast<const UIView*>(object.get());
        if (!view || !view->backingStore() || view->backingStore()->shown().frame != frame_ + 1)
            noteDamage(previous.screenRect);
    }
    shownViews_.swap(nextShownViews_);

    const PixelRect whole { 0, 0, screen_.width(), screen_.height() };
    const PixelRect damage = fullRedraw_ ? whole : damage_.intersected(whole);
    damage_ = {};
    fullRedraw_ = false;
    ++frame_;
    if (damage.isEmpty() || !screen_.surface())
        return {};

    // Windows under the topmost one whose opaque content covers the damage are not painted at
    // all, nor what that window paints under its opaque view.
    std::size_t firstWindow = 0;
    base_ = nullptr;
    baseAncestors_.clear();
    for (std::size_t i = windows.size(); i-- > 0 && !base_;) {
        base_ = opaqueViewCovering(*windows[i], CGAffineTransformIdentity, damage);
        firstWindow = i;
    }
    if (base_) {
        for (const UIView* v = base_->superviewPointer(); v; v = v->superviewPointer())
            baseAncestors_.push_back(v);
    } else {
        firstWindow = 0;
    }

    auto context = std::make_shared<CGContext>(CairoContext { cairo_create(screen_.surface()) }, scale_, false);
    cairo_t* cr = context->cairo();
    cairo_rectangle(cr, damage.x, damage.y, damage.width, damage.height);
    cairo_clip(cr);
    if (!base_) {
        // What no window covers shows as the dark glass of the screen.
        cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
        cairo_set_source_rgba(cr, 0, 0, 0, 1);
        cairo_paint(cr);
        cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
    }
    cairo_scale(cr, scale_, scale_);
    UIGraphicsPushContext(context);
    culling_ = true;
    composing_ = damage;
    beforeBase_ = base_ != nullptr;
    for (std::size_t i = firstWindow; i < windows.size(); ++i)
        drawView(cr, *windows[i], false);
    culling_ = false;
    beforeBase_ = false;
    base_ = nullptr;
    baseAncestors_.clear();
    UIGraphicsPopContext();
    context.reset();
    cairo_surface_flush(screen_.surface());
    return damage;
}

void Renderer::drawView(void* cairoContext, const UIView& view, bool asRoot)
{
    auto* cr = static_cast<cairo_t*>(cairoContext);
    if (view.isHidden())
        return;
    const float alpha = asRoot ? 1.0f : clampedAlpha(view.presentationAlpha());
    if (alpha <= 0.0f)
        return;
    const CGRect b = view.bounds();
    if (!isUsable(b))
        return;
    bool paintsItself = true;
    if (culling_) {
        // Placed by this frame's walk: what lies wholly outside the damage is left alone.
        if (const auto& store = view.backingStore(); store && store->shown().frame == frame_) {
            if (toPixels(store->shown().subtreeRect).intersected(composing_).isEmpty())
                return;
            paintsItself = !toPixels(store->shown().screenRect).intersected(composing_).isEmpty();
        }
        if (beforeBase_) {
            if (&view == base_)
                beforeBase_ = false;
            else if (std::find(baseAncestors_.begin(), baseAncestors_.end(), &view) != baseAncestors_.end())
                paintsItself = false;
            else
                return;
        }
    }
    cairo_save(cr);
    if (asRoot) {
        cairo_translate(cr, -b.origin.x, -b.origin.y);
    } else {
        const CGAffineTransform t = localToParent(view);
        if (!isUsable(t)) {
            cairo_restore(cr);
            return;
        }
        cairo_matrix_t m;
        cairo_matrix_init(&m, t.a, t.b, t.c, t.d, t.tx, t.ty);
        cairo_transform(cr, &m);
    }
    if (view.clipsToBounds()) {
        cairo_rectangle(cr, b.origin.x, b.origin.y, b.size.width, b.size.height);
        cairo_clip(cr);
    }
    const auto& children = view.subviews();
    // Alpha below one fades the view and its children as one picture, so overlapping children
    // are not blended twice.
    const bool group = alpha < 1.0f && (paintsItself || !children.empty());
    if (group)
        cairo_push_group(cr);
    if (paintsItself)
        drawContent(cr, view);
    for (const auto& child : children)
        drawView(cr, *child, false);
    if (group) {
        cairo_pop_group_to_source(cr);
        cairo_paint_with_alpha(cr, alpha);
    }
    cairo_restore(cr);
}

void Renderer::drawContent(void* cairoContext, const UIView& view)
{
    auto* cr = static_cast<cairo_t*>(cairoContext);
    const CGRect b = view.bounds();
    if (!view.drawsContent()) {
        // The background colour and what the view is (image, text).
        cairo_save(cr);
        view.drawIntrinsicContent(b);
        cairo_restore(cr);
        return;
    }
    // A view that draws for itself: background, then its retained drawing, then what it is.
    if (const auto color = CGColorComponentsFromColor(view.backgroundColor().get()); view.backgroundColor() && color.alpha > 0) {
        cairo_save(cr);
        cairo_rectangle(cr, b.origin.x, b.origin.y, b.size.width, b.size.height);
        cairo_set_source_rgba(cr, color.red, color.green, color.blue, color.alpha);
        cairo_fill(cr);
        cairo_restore(cr);
    }

    // Screen frames bring the drawing up to date before composing (a request made while drawing
    // waits for the next frame); a window snapshot may find it out of date.
    if (!culling_)
        updateBackingStore(view);
    const ViewBackingStore* store = view.backingStore().get();
    // Only the part of the drawing that holds paint is composed.
    if (store && store->surface() && !store->ink().isEmpty()) {
        const PixelRect ink = store->ink();
        cairo_save(cr);
        cairo_translate(cr, b.origin.x, b.origin.y);
        cairo_scale(cr, 1.0 / scale_, 1.0 / scale_);
        cairo_set_source_surface(cr, store->surface(), 0, 0);
        cairo_rectangle(cr, ink.x, ink.y, ink.width, ink.height);
        cairo_fill(cr);
        cairo_restore(cr);
    }
    cairo_save(cr);
    view.drawIntrinsicContent(b);
    cairo_restore(cr);
}

std::shared_ptr<UIImage> Renderer::snapshotScreen()
{
    Renderer& renderer = shared();
    renderer.renderScreen();
    return renderer.screen_.toImage(renderer.scale_);
}

std::shared_ptr<UIImage> Renderer::snapshotWindow(const UIWindow& window)
{
    Renderer& renderer = shared();
    const Screen screen = currentScreen();
    renderer.scale_ = screen.scale;
    const_cast<UIWindow&>(window).layoutIfNeeded();
    const CGRect b = window.bounds();
    const double width = std::ceil(static_cast<double>(b.size.width) * screen.scale);
    const double height = std::ceil(static_cast<double>(b.size.height) * screen.scale);
    if (!(width >= 1 && height >= 1 && width <= kMaxSurfaceSide && height <= kMaxSurfaceSide))
        return nullptr;
    FrameBuffer buffer;
    buffer.resize(static_cast<int>(width), static_cast<int>(height));
    auto context = std::make_shared<CGContext>(CairoContext { cairo_create(buffer.surface()) }, screen.scale, false);
    cairo_t* cr = context->cairo();
    cairo_scale(cr, screen.scale, screen.scale);
    UIGraphicsPushContext(context);
    renderer.snapshotting_ = true;
    renderer.drawView(cr, window, true);
    renderer.snapshotting_ = false;
    UIGraphicsPopContext();
    context.reset();
    return buffer.toImage(screen.scale);
}

bool Renderer::writeScreenPNG(const std::string& path)
{
    auto image = snapshotScreen();
    return image && image->writePNG(path);
}

bool Renderer::writeWindowPNG(const UIWindow& window, const std::string& path)
{
    auto image = snapshotWindow(window);
    return image && image->writePNG(path);
}

void Renderer::reset()
{
    screen_.resize(0, 0);
    damage_ = {};
    fullRedraw_ = true;
    UIView::setDisplayChangesPending(true);
    lastWindows_.clear();
    shownViews_.clear();
    nextShownViews_.clear();
}
