#include "platform/backends/ScreenCover.h"

#include "platform/graphics/CGContext.h"
#include "platform/graphics/ImageSurfaceCache.h"
#include "platform/graphics/UIImage.h"
#include "platform/ui/UIApplication.h"
#include "platform/ui/UIScreen.h"

#include <cairo.h>

#include <cmath>

namespace {

// A side larger than any screen's: a size past it is a fault, not a cover to allocate.
constexpr double kLargestSide = 16384;

} // namespace

std::unique_ptr<FrameBuffer> ScreenCover::render(const std::shared_ptr<const UIImage>& picture, CGSize points, float scale)
{
    if (!CGFloatsAreFinite({ points.width, points.height, scale }) || !(scale > 0))
        return nullptr;
    // Whole pixels, as the renderer sizes the screen's frame.
    const double width = std::ceil(static_cast<double>(points.width) * scale);
    const double height = std::ceil(static_cast<double>(points.height) * scale);
    if (!(width >= 1 && height >= 1 && width <= kLargestSide && height <= kLargestSide))
        return nullptr;
    auto cover = std::make_unique<FrameBuffer>();
    cover->resize(static_cast<int>(width), static_cast<int>(height));
    if (!cover->surface() || cairo_surface_status(cover->surface()) != CAIRO_STATUS_SUCCESS)
        return nullptr;
    {
        const CairoContext context { cairo_create(cover->surface()) };
        cairo_t* cr = context.get();
        // The ground first: a picture with transparent parts, or none at all, still hides everything.
        cairo_set_source_rgb(cr, 0, 0, 0);
        cairo_paint(cr);
        if (picture) {
            cairo_scale(cr, scale, scale);
            ImageSurfaceCache::drawImage(cr, picture, CGRectMake(0, 0, points.width, points.height));
        }
    }
    cairo_surface_flush(cover->surface());
    return cover;
}

std::unique_ptr<FrameBuffer> ScreenCover::renderForMainScreen()
{
    const auto screen = UIScreen::mainScreen();
    const auto application = UIApplication::sharedApplication();
    const CGSize points = screen ? screen->bounds().size : CGSizeMake(320, 568);
    return render(application ? application->backgroundCover() : nullptr, points, screen ? screen->scale() : 1.0f);
}
