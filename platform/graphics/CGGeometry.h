#pragma once
// Points, sizes, rectangles, insets and affine transforms in 32-bit floats, origin top-left,
// y growing downward, as the toolkit has them.
#include <cmath>

using CGFloat = float;

struct CGPoint {
    CGFloat x = 0, y = 0;
    friend bool operator==(const CGPoint&, const CGPoint&) = default;
};

struct CGSize {
    CGFloat width = 0, height = 0;
    friend bool operator==(const CGSize&, const CGSize&) = default;
};

struct CGRect {
    CGPoint origin;
    CGSize size;
    friend bool operator==(const CGRect&, const CGRect&) = default;
};

struct UIEdgeInsets {
    CGFloat top = 0, left = 0, bottom = 0, right = 0;
    friend bool operator==(const UIEdgeInsets&, const UIEdgeInsets&) = default;
};

// x' = a·x + c·y + tx, y' = b·x + d·y + ty.
struct CGAffineTransform {
    CGFloat a = 1, b = 0, c = 0, d = 1, tx = 0, ty = 0;
    friend bool operator==(const CGAffineTransform&, const CGAffineTransform&) = default;
};

inline constexpr CGPoint CGPointZero {};
inline constexpr CGSize CGSizeZero {};
inline constexpr CGRect CGRectZero {};
inline constexpr UIEdgeInsets UIEdgeInsetsZero {};
inline constexpr CGAffineTransform CGAffineTransformIdentity {};

constexpr CGPoint CGPointMake(CGFloat x, CGFloat y) { return { x, y }; }
constexpr CGSize CGSizeMake(CGFloat w, CGFloat h) { return { w, h }; }
constexpr CGRect CGRectMake(CGFloat x, CGFloat y, CGFloat w, CGFloat h) { return { { x, y }, { w, h } }; }
constexpr UIEdgeInsets UIEdgeInsetsMake(CGFloat top, CGFloat left, CGFloat bottom, CGFloat right) { return { top, left, bottom, right }; }

constexpr CGFloat CGRectGetMaxX(CGRect r) { return r.origin.x + r.size.width; }
constexpr CGFloat CGRectGetMaxY(CGRect r) { return r.origin.y + r.size.height; }
constexpr CGFloat CGRectGetMidX(CGRect r) { return r.origin.x + r.size.width / 2; }
constexpr CGFloat CGRectGetMidY(CGRect r) { return r.origin.y + r.size.height / 2; }

// Half-open: the left and top edges belong to the rectangle, the right and bottom ones do not.
// A rectangle with a negative or NaN size contains nothing.
constexpr bool CGRectContainsPoint(CGRect r, CGPoint p)
{
    return r.origin.x <= p.x && p.x < r.origin.x + r.size.width && r.origin.y <= p.y && p.y < r.origin.y + r.size.height;
}

constexpr bool CGRectIsEmpty(CGRect r) { return !(r.size.width > 0 && r.size.height > 0); }


// The rectangle less the insets, computed in the toolkit's order so float results match.
constexpr CGRect UIEdgeInsetsInsetRect(CGRect r, UIEdgeInsets i)
{
    return { { r.origin.x + i.left, r.origin.y + i.top }, { r.size.width - (i.left + i.right), r.size.height - (i.top + i.bottom) } };
}

CGRect CGRectUnion(CGRect a, CGRect b);
CGRect CGRectIntersection(CGRect a, CGRect b);
CGRect CGRectInset(CGRect r, CGFloat dx, CGFloat dy);

CGAffineTransform CGAffineTransformMakeTranslation(CGFloat tx, CGFloat ty);
CGAffineTransform CGAffineTransformMakeScale(CGFloat sx, CGFloat sy);
// t1 then t2.
CGAffineTransform CGAffineTransformConcat(CGAffineTransform t1, CGAffineTransform t2);
// A translation applied before t, as the toolkit composes it.
CGAffineTransform CGAffineTransformTranslate(CGAffineTransform t, CGFloat tx, CGFloat ty);
CGAffineTransform CGAffineTransformInvert(CGAffineTransform t);
bool CGAffineTransformIsIdentity(CGAffineTransform t);
CGPoint CGPointApplyAffineTransform(CGPoint p, CGAffineTransform t);
// The bounding box of the transformed rectangle.
CGRect CGRectApplyAffineTransform(CGRect r, CGAffineTransform t);
