#pragma once
// Text drawing through Pango for the views that show text. Platform-internal: takes a cairo context.
#include "platform/graphics/CGGeometry.h"

#include <memory>
#include <string>

class UIFont;
struct CGColorComponents;
// Cairo's own declaration, repeated so that tests can use this header without cairo on their path.
typedef struct _cairo cairo_t;

class PangoText {
public:
    // Mirrors the label's enums by value (alignment 0 left, 1 centre, 2 right; line-break modes
    // 0 word wrap, 1 char wrap, 2 clip, 3 truncate head, 4 tail, 5 middle).
    struct Style {
        int alignment = 0;
        int lineBreakMode = 4;
        int numberOfLines = 1;
    };

    // Lays the text out in the rectangle (user space of cr), vertically centred, and paints it in
    // the colour. Lines beyond numberOfLines (0: no limit) are dropped; what is wider than the
    // rectangle is truncated, clipped or wrapped as the mode says.
    static void draw(cairo_t* cr, const std::string& text, const UIFont* font, const CGColorComponents& color, CGRect rect, Style style);
    // The size the text takes on one line, in points.
    static CGSize measure(const std::string& text, const UIFont* font);
    // Whether the text holds Chinese characters (Han ideographs or full-width punctuation).
    static bool containsCJK(const std::string& text);
};
