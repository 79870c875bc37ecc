#pragma once
// What the desktop window shows, drawn with Cairo into pixels of the window's size: black bars,
// the screen's frame (or the cover) scaled smoothly into the picture's place, and the panel at its
// own pixel size centred on the picture. A part drawn again alone comes out as it does in a whole
// drawing, so the window shows a frame by drawing only where the frame changed.
#include "platform/graphics/CairoHandles.h"
#include "platform/graphics/FrameBuffer.h"

class WindowPainter {
public:
    // Draws the part `area` of the window into `target` (32-bit pixels, left opaque): `picture`
    // fitted to `content` (black without one), with `panel`, when there is one, over it.
    static void paint(cairo_surface_t* target, const PixelRect& area, const FrameBuffer* picture, const PixelRect& content,
        const FrameBuffer* panel);
};
