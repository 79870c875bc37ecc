#include "platform/graphics/CGContext.h"

#include "platform/graphics/GraphicsState.h"
#include "platform/graphics/UIColor.h"

#include <algorithm>
#include <cmath>

namespace {

std::vector<std::shared_ptr<CGContext>>& contextStack() { return GraphicsState::current().contextStack(); }

// Larger contexts than this are refused rather than allocated: a bad size must not take the process down.
constexpr double kMaxContextPixels = 16384.0;

void setSource(cairo_t* cr, const CGColorComponents& c) { cairo_set_source_rgba(cr, c.red, c.green, c.blue, c.alpha); }

float& mainScreenScale() { return GraphicsState::current().mainScreenScale(); }

} // namespace

CGContext::CGContext(CairoContext cr, float scale, bool isImageContext)
    : cr_(std::move(cr))
    , scale_(scale)
    , imageContext_(isImageContext)
{
}

void CGContext::saveState()
{
    cairo_save(cr_.get());
    states_.push_back(states_.back());
}

void CGContext::restoreState()
{
    if (states_.size() < 2)
        return;
    states_.pop_back();
    cairo_restore(cr_.get());
}

CGColorComponents CGColorComponentsFromColor(const UIColor* color)
{
    if (!color)
        return {};
    auto clamp = [](float v) { return std::isfinite(v) ? std::clamp(static_cast<double>(v), 0.0, 1.0) : 0.0; };
    return { clamp(color->red()), clamp(color->green()), clamp(color->blue()), clamp(color->alpha()) };
}

bool CGFloatsAreFinite(std::initializer_list<double> values)
{
    return std::all_of(values.begin(), values.end(), [](double v) { return std::isfinite(v); });
}

void UIGraphicsPushContext(const std::shared_ptr<CGContext>& context)
{
    if (context)
        contextStack().push_back(context);
}

void UIGraphicsPopContext()
{
    if (!contextStack().empty())
        contextStack().pop_back();
}

void UIGraphicsBeginImageContext(CGSize size) { UIGraphicsBeginImageContextWithOptions(size, false, 1.0f); }

void UIGraphicsBeginImageContextWithOptions(CGSize size, bool opaque, float scale)
{
    if (!(scale > 0) || !std::isfinite(scale))
        scale = UIGraphicsMainScreenScale();
    double width = std::ceil(static_cast<double>(size.width) * scale);
    double height = std::ceil(static_cast<double>(size.height) * scale);
    if (!(width >= 0 && width <= kMaxContextPixels))
        width = 0;
    if (!(height >= 0 && height <= kMaxContextPixels))
        height = 0;
    const CairoSurface surface { cairo_image_surface_create(CAIRO_FORMAT_ARGB32, static_cast<int>(width), static_cast<int>(height)) };
    CairoContext cr { cairo_create(surface.get()) };
    if (opaque) {
        cairo_set_source_rgb(cr.get(), 0, 0, 0);
        cairo_paint(cr.get());
    }
    cairo_scale(cr.get(), scale, scale);
    contextStack().push_back(std::make_shared<CGContext>(std::move(cr), scale, true));
}

float UIGraphicsMainScreenScale() { return mainScreenScale(); }

void UIGraphicsSetMainScreenScale(float scale) { mainScreenScale() = scale > 0 && std::isfinite(scale) ? scale : 1.0f; }

CGContextRef UIGraphicsGetCurrentContext() { return contextStack().empty() ? nullptr : contextStack().back().get(); }

std::shared_ptr<UIImage> UIGraphicsGetImageFromCurrentImageContext()
{
    CGContextRef context = UIGraphicsGetCurrentContext();
    if (!context || !context->isImageContext())
        return nullptr;
    cairo_surface_t* surface = cairo_get_target(context->cairo());
    cairo_surface_flush(surface);
    const int width = cairo_image_surface_get_width(surface);
    const int height = cairo_image_surface_get_height(surface);
    if (width <= 0 || height <= 0 || cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS)
        return nullptr;
    const int stride = cairo_image_surface_get_stride(surface);
    const unsigned char* data = cairo_image_surface_get_data(surface);
    // Rows are appended rather than copied over zeros: the buffer is written once.
    std::vector<std::uint32_t> pixels;
    pixels.reserve(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(data + static_cast<std::ptrdiff_t>(y) * stride);
        pixels.insert(pixels.end(), row, row + width);
    }
    return std::make_shared<UIImage>(width, height, context->scale(), std::move(pixels));
}

void UIGraphicsEndImageContext()
{
    if (!contextStack().empty() && contextStack().back()->isImageContext())
        contextStack().pop_back();
}

void CGContextSetFillColorWithColor(CGContextRef context, const UIColor* color)
{
    if (context)
        context->setFillColor(CGColorComponentsFromColor(color));
}

void CGContextSetStrokeColorWithColor(CGContextRef context, const UIColor* color)
{
    if (context)
        context->setStrokeColor(CGColorComponentsFromColor(color));
}

void CGContextFillRect(CGContextRef context, CGRect rect)
{
    if (!context || !CGFloatsAreFinite({ rect.origin.x, rect.origin.y, rect.size.width, rect.size.height }))
        return;
    cairo_t* cr = context->cairo();
    cairo_save(cr);
    cairo_new_path(cr);
    cairo_rectangle(cr, rect.origin.x, rect.origin.y, rect.size.width, rect.size.height);
    setSource(cr, context->fillColor());
    cairo_fill(cr);
    cairo_restore(cr);
}

void CGContextSaveGState(CGContextRef context)
{
    if (context)
        context->saveState();
}

void CGContextRestoreGState(CGContextRef context)
{
    if (context)
        context->restoreState();
}
