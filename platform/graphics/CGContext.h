#pragma once
// The drawing context behind UIGraphicsGetCurrentContext(). Cairo-backed, so only platform/ may
// include this header; everything above it sees CGContextRef as an opaque pointer.
#include "platform/graphics/CGGeometry.h"
#include "platform/graphics/CairoHandles.h"
#include "platform/graphics/UIImage.h"

#include <cairo.h>

#include <initializer_list>
#include <memory>
#include <vector>

class UIColor;

struct CGColorComponents {
    double red = 0, green = 0, blue = 0, alpha = 1;
};

struct CGContext {
    // Takes the cairo context over (and with it a reference to its surface).
    CGContext(CairoContext cr, float scale, bool isImageContext);
    CGContext(const CGContext&) = delete;
    CGContext& operator=(const CGContext&) = delete;

    cairo_t* cairo() const { return cr_.get(); }
    // Pixels per point of the context's surface.
    float scale() const { return scale_; }
    // Whether UIGraphicsBeginImageContext opened this context (only those give an image).
    bool isImageContext() const { return imageContext_; }

    const CGColorComponents& fillColor() const { return states_.back().fill; }
    const CGColorComponents& strokeColor() const { return states_.back().stroke; }
    void setFillColor(CGColorComponents color) { states_.back().fill = color; }
    void setStrokeColor(CGColorComponents color) { states_.back().stroke = color; }
    // Saves and restores the colours together with cairo's own state.
    void saveState();
    void restoreState();

private:
    struct State {
        CGColorComponents fill, stroke;
    };
    CairoContext cr_;
    float scale_;
    bool imageContext_;
    std::vector<State> states_ { State {} };
};

// Makes the context current (on top of the stack) until the matching pop; the renderer does this
// around drawRect and the intrinsic drawing of each view.
void UIGraphicsPushContext(const std::shared_ptr<CGContext>& context);
void UIGraphicsPopContext();

void CGContextSaveGState(CGContextRef context);
void CGContextRestoreGState(CGContextRef context);

// Helpers for platform code: a colour as cairo components (black for none), and whether every
// number is finite (cairo's context breaks for good on a NaN or infinite matrix).
CGColorComponents CGColorComponentsFromColor(const UIColor* color);
bool CGFloatsAreFinite(std::initializer_list<double> values);
