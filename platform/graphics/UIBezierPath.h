#pragma once
#include "platform/graphics/CGGeometry.h"
#include "platform/runtime/NSObject.h"

#include <memory>
#include <vector>

enum class CGLineJoin { Miter = 0, Round = 1, Bevel = 2 };
enum class CGLineCap { Butt = 0, Round = 1, Square = 2 };

// A path of straight segments with its own stroke style, drawn into the current context.
class UIBezierPath final : public NSObject {
public:
    static std::shared_ptr<UIBezierPath> bezierPath();

    // Starts a new subpath at the point.
    void moveToPoint(CGPoint point);
    // A straight segment from the current point (from the point itself when there is none).
    void addLineToPoint(CGPoint point);
    // A segment back to the start of the current subpath.
    void closePath();
    bool isEmpty() const { return elements_.empty(); }

    CGFloat lineWidth() const { return lineWidth_; }
    void setLineWidth(CGFloat width) { lineWidth_ = width; }
    CGLineJoin lineJoinStyle() const { return lineJoin_; }
    void setLineJoinStyle(CGLineJoin join) { lineJoin_ = join; }
    CGLineCap lineCapStyle() const { return lineCap_; }
    void setLineCapStyle(CGLineCap cap) { lineCap_ = cap; }

    // Strokes the whole path once with the current context's stroke colour: overlapping segments
    // are painted once. Nothing without a current context.
    void stroke() const;
    // Fills the path (non-zero winding) with the current context's fill colour.
    void fill() const;

    GLYPHWARD_RUNTIME_CLASS(UIBezierPath, NSObject);

private:
    enum class Kind { Move, Line, Close };
    struct Element {
        Kind kind;
        CGPoint point;
    };
    // Builds the path in the context; false when a coordinate is not finite (nothing is drawn then).
    bool buildPath(void* cairoContext) const;

    std::vector<Element> elements_;
    CGFloat lineWidth_ = 1.0f;
    CGLineJoin lineJoin_ = CGLineJoin::Miter;
    CGLineCap lineCap_ = CGLineCap::Butt;
};
