#include "platform/compositor/Renderer.h"

#include "platform/compositor/CompositorState.h"
#include "platform/compositor/ViewPainter.h"
#include "platform/graphics/CGContext.h"
#include "platform/graphics/UIImage.h"
#include "platform/ui/UIScreen.h"
#include "platform/ui/UIWindow.h"

#include <algorithm>
#include <cmath>

using namespace compositor;

namespace {

std::vector<std::shared_ptr<UIWindow>> windowsBackToFront()
{
    auto windows = UIWindow::windowsFrontToBack();
    std::reverse(windows.begin(), windows.end());
    return windows;
}

} // namespace

Renderer& Renderer::shared() { return CompositorState::current().renderer(); }

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

PixelRect Renderer::renderScreen()
{
    const Screen screen = currentScreen();
    const double pixelWidth = std::ceil(static_cast<double>(screen.points.width) * screen.scale);
    const double pixelHeight = std::ceil(static_cast<double>(screen.points.height) * screen.scale);
    if (!(pixelWidth >= 0 && pixelWidth <= kMaxSurfaceSide && pixelHeight >= 0 && pixelHeight <= kMaxSurfaceSide))
        return {};
    if (screen_.resize(static_cast<int>(pixelWidth), static_cast<int>(pixelHeight)) || scale_ != screen.scale)
        damage_.setNeedsFullRedraw();
    scale_ = screen.scale;

    const auto windows = windowsBackToFront();
    for (const auto& window : windows)
        window->layoutIfNeeded();
    const PixelGrid grid { scale_, { 0, 0, screen_.width(), screen_.height() } };
    damage_.collect(windows, grid, frame_ + 1, records_);
    damage_.redraw();
    const PixelRect damage = damage_.take();
    ++frame_;
    if (damage.isEmpty())
        return {};
    if (!screen_.surface()) {
        // Nothing is composed: the kept pictures would miss this frame's changes.
        layers_.clear();
        return {};
    }
    compose(windows, grid, damage);
    return damage;
}

void Renderer::compose(const std::vector<std::shared_ptr<UIWindow>>& windows, const PixelGrid& grid, const PixelRect& damage)
{
    CompositionPass pass;
    pass.grid = grid;
    pass.records = &records_;
    pass.culling = true;
    pass.frame = frame_;
    pass.damage = damage;
    pass.base = OpaqueCover::find(windows, damage, grid.scale);
    pass.beforeBase = pass.base.view != nullptr;
    pass.layers = &layers_;
    pass.picturesStale = damage_.picturesStale();

    auto context = std::make_shared<CGContext>(CairoContext { cairo_create(screen_.surface()) }, grid.scale, false);
    cairo_t* cr = context->cairo();
    cairo_rectangle(cr, damage.x, damage.y, damage.width, damage.height);
    cairo_clip(cr);
    if (!pass.base.view) {
        // What no window covers shows as the dark glass of the screen.
        cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
        cairo_set_source_rgba(cr, 0, 0, 0, 1);
        cairo_paint(cr);
        cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
    }
    cairo_scale(cr, grid.scale, grid.scale);
    UIGraphicsPushContext(context);
    for (std::size_t i = pass.base.window; i < windows.size(); ++i)
        ViewPainter::drawView(cr, *windows[i], false, pass);
    UIGraphicsPopContext();
    context.reset();
    cairo_surface_flush(screen_.surface());
    layers_.endFrame();
}

std::shared_ptr<UIImage> Renderer::snapshotScreen()
{
    Renderer& renderer = shared();
    renderer.renderScreen();
    return renderer.screen_.toImage(renderer.scale_);
}

std::shared_ptr<UIImage> Renderer::snapshotWindow(UIWindow& window)
{
    Renderer& renderer = shared();
    renderer.records_.prune();
    const Screen screen = currentScreen();
    window.layoutIfNeeded();
    const CGRect b = window.bounds();
    const double width = std::ceil(static_cast<double>(b.size.width) * screen.scale);
    const double height = std::ceil(static_cast<double>(b.size.height) * screen.scale);
    if (!(width >= 1 && height >= 1 && width <= kMaxSurfaceSide && height <= kMaxSurfaceSide))
        return nullptr;
    FrameBuffer buffer;
    buffer.resize(static_cast<int>(width), static_cast<int>(height));
    CompositionPass pass;
    pass.grid.scale = screen.scale;
    pass.records = &renderer.records_;
    auto context = std::make_shared<CGContext>(CairoContext { cairo_create(buffer.surface()) }, screen.scale, false);
    cairo_t* cr = context->cairo();
    cairo_scale(cr, screen.scale, screen.scale);
    UIGraphicsPushContext(context);
    ViewPainter::drawView(cr, window, true, pass);
    UIGraphicsPopContext();
    context.reset();
    // A view redrawn for the snapshot changed without the screen's damage knowing where.
    if (pass.redrewViews) {
        renderer.setNeedsFullRedraw();
        renderer.damage_.setPicturesStale();
    }
    return buffer.toImage(screen.scale);
}

bool Renderer::writeScreenPNG(const std::string& path, std::string* error)
{
    auto image = snapshotScreen();
    if (!image && error)
        *error = "there is no screen to take";
    return image && image->writePNG(path, error);
}

bool Renderer::writeWindowPNG(UIWindow& window, const std::string& path)
{
    auto image = snapshotWindow(window);
    return image && image->writePNG(path);
}
