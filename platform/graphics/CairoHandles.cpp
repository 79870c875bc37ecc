#include "platform/graphics/CairoHandles.h"

#include <cairo.h>

void CairoContextRelease::operator()(cairo_t* context) const { cairo_destroy(context); }

void CairoSurfaceRelease::operator()(cairo_surface_t* surface) const { cairo_surface_destroy(surface); }
