// The drawing side of the view classes: what each kind of view paints of itself, and the marks
// by which a change of appearance reaches the compositor.
#include "platform/graphics/CGContext.h"
#include "platform/graphics/ImageSurfaceCache.h"
#include "platform/graphics/PangoText.h"
#include "platform/graphics/UIColor.h"
#include "platform/graphics/UIFont.h"
#include "platform/graphics/UIImage.h"
#include "platform/ui/UIButton.h"
#include "platform/ui/UIImageView.h"
#include "platform/ui/UILabel.h"
#include "platform/ui/UIState.h"
#include "platform/ui/UIView.h"

#include <algorithm>
#include <cmath>

namespace {

void fillBounds(const UIColor* color, CGRect bounds)
{
    CGContextRef context = UIGraphicsGetCurrentContext();
    if (!context || !color || !(color->alpha() > 0))
        return;
    CGContextSaveGState(context);
    CGContextSetFillColorWithColor(context, color);
    CGContextFillRect(context, bounds);
    CGContextRestoreGState(context);
}

// Snaps a coordinate to the device pixel grid, as image views are placed on the device.
CGFloat snapToPixel(CGFloat value, float scale) { return static_cast<CGFloat>(std::round(value * scale) / scale); }

} // namespace

void UIView::drawRect(CGRect) { }

// A view that draws for itself gets its background from the renderer, under its retained drawing.
void UIView::drawIntrinsicContent(CGRect) const
{
    if (!drawsContent())
        fillBounds(backgroundColor_.get(), bounds_);
}

// Only marks here: a touch move must not pay for geometry. The next frame damages the view and
// its children where they were and where they are.
void UIView::noteAppearanceChanged()
{
    appearanceChanged_ = true;
    setDisplayChangesPending(true);
}

bool UIView::displayChangesPending() { return UIState::current().displayChangesPending(); }

void UIView::setDisplayChangesPending(bool pending) { UIState::current().displayChangesPending() = pending; }

void UIButton::drawIntrinsicContent(CGRect rect) const
{
    UIControl::drawIntrinsicContent(rect);
    CGContextRef context = UIGraphicsGetCurrentContext();
    auto image = currentImage();
    if (!context || !image)
        return;
    // The image at its point size, centred, squeezed only where it is larger than the button.
    const CGRect b = bounds();
    const CGSize size = image->size();
    const CGFloat width = std::min(size.width, b.size.width);
    const CGFloat height = std::min(size.height, b.size.height);
    const CGFloat x = snapToPixel(CGRectGetMidX(b) - width / 2, context->scale());
    const CGFloat y = snapToPixel(CGRectGetMidY(b) - height / 2, context->scale());
    ImageSurfaceCache::drawImage(context->cairo(), image, { { x, y }, { width, height } });
}

void UIImageView::drawIntrinsicContent(CGRect rect) const
{
    UIView::drawIntrinsicContent(rect);
    CGContextRef context = UIGraphicsGetCurrentContext();
    if (context && image_)
        ImageSurfaceCache::drawImage(context->cairo(), image_, bounds());
}

void UILabel::drawIntrinsicContent(CGRect rect) const
{
    UIView::drawIntrinsicContent(rect);
    CGContextRef context = UIGraphicsGetCurrentContext();
    if (!context || !text_ || text_->empty())
        return;
    auto font = font_ ? font_ : UIFont::systemFontOfSize(17);
    const auto color = textColor();
    PangoText::Style style;
    style.alignment = static_cast<int>(alignment_);
    style.lineBreakMode = static_cast<int>(lineBreakMode_);
    style.numberOfLines = numberOfLines_;
    PangoText::draw(context->cairo(), *text_, font.get(), CGColorComponentsFromColor(color.get()), bounds(), style);
}
