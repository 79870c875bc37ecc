#include "platform/graphics/UIBezierPath.h"

#include "platform/graphics/CGContext.h"

std::shared_ptr<UIBezierPath> UIBezierPath::bezierPath() { return std::make_shared<UIBezierPath>(); }

void UIBezierPath::moveToPoint(CGPoint point) { elements_.push_back({ Kind::Move, point }); }
void UIBezierPath::addLineToPoint(CGPoint point) { elements_.push_back({ Kind::Line, point }); }

void UIBezierPath::closePath()
{
    if (!elements_.empty())
        elements_.push_back({ Kind::Close, {} });
}

bool UIBezierPath::buildPath(void* cairoContext) const
{
    auto* cr = static_cast<cairo_t*>(cairoContext);
    cairo_new_path(cr);
    for (const Element& element : elements_) {
        if (element.kind != Kind::Close && !CGFloatsAreFinite({ element.point.x, element.point.y }))
            return false;
        switch (element.kind) {
        case Kind::Move:
            cairo_move_to(cr, element.point.x, element.point.y);
            break;
        case Kind::Line:
            cairo_line_to(cr, element.point.x, element.point.y);
            break;
        case Kind::Close:
            cairo_close_path(cr);
            break;
        }
    }
    return true;
}

void UIBezierPath::stroke() const
{
    CGContextRef context = UIGraphicsGetCurrentContext();
    if (!context || elements_.empty() || !CGFloatsAreFinite({ lineWidth_ }) || lineWidth_ < 0)
        return;
    cairo_t* cr = context->cairo();
    cairo_save(cr);
    if (buildPath(cr)) {
        cairo_set_line_width(cr, lineWidth_);
        switch (lineJoin_) {
        case CGLineJoin::Miter: cairo_set_line_join(cr, CAIRO_LINE_JOIN_MITER); break;
        case CGLineJoin::Round: cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND); break;
        case CGLineJoin::Bevel: cairo_set_line_join(cr, CAIRO_LINE_JOIN_BEVEL); break;
        }
        switch (lineCap_) {
        case CGLineCap::Butt: cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT); break;
        case CGLineCap::Round: cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND); break;
        case CGLineCap::Square: cairo_set_line_cap(cr, CAIRO_LINE_CAP_SQUARE); break;
        }
        const CGColorComponents& c = context->strokeColor();
        cairo_set_source_rgba(cr, c.red, c.green, c.blue, c.alpha);
        // One stroke operation: cairo paints the union of the pen's area once.
        cairo_stroke(cr);
    }
    cairo_new_path(cr);
    cairo_restore(cr);
}

void UIBezierPath::fill() const
{
    CGContextRef context = UIGraphicsGetCurrentContext();
    if (!context || elements_.empty())
        return;
    cairo_t* cr = context->cairo();
    cairo_save(cr);
    if (buildPath(cr)) {
        cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
        const CGColorComponents& c = context->fillColor();
        cairo_set_source_rgba(cr, c.red, c.green, c.blue, c.alpha);
        cairo_fill(cr);
    }
    cairo_new_path(cr);
    cairo_restore(cr);
}
