// The drawing side of the view classes: what each kind of view paints of itself, and how a
// change of appearance reaches the renderer.
#include "platform/graphics/CGContext.h"
#include "platform/graphics/ImageSurfaceCache.h"
#include "platform/graphics/PangoText.h"
#include "platform/graphics/Renderer.h"
#include "platform/graphics/UIColor.h"
#include "platform/graphics/UIFont.h"
#include "platform/graphics/UIImage.h"
#include "platform/graphics/ViewBackingStore.h"
#include "platform/ui/UIButton.h"
#include "platform/ui/UIImageView.h"
#include "platform/ui/UILabel.h"
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

namespace {

// Where the children were last shown: a change of clipping, colour or content of a parent can
// uncover or cover them without moving them.
void noteDescendantsShown(const UIView& view, Renderer& renderer)
{
    for (const auto& child : view.subviews()) {
        if (const auto& store = child->backingStore(); store && store->shown().frame != 0)
            renderer.noteDamage(store->shown().screenRect);
        noteDescendantsShown(*child, renderer);
    }
}

} // namespace

void UIView::noteAppearanceChanged()
{
    Renderer& renderer = Renderer::shared();
    // Where it was last shown, and where it is now.
    if (backingStore_ && backingStore_->shown().frame != 0)
        renderer.noteDamage(backingStore_->shown().screenRect);
    if (auto rect = Renderer::screenRectOfView(*this))
        renderer.noteDamage(*rect);
    noteDescendantsShown(*this, renderer);
}

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
