#pragma once
// Owning handles for Cairo contexts and surfaces: each holds one reference and gives it back when
// it goes. Cairo's own declarations are repeated, so that a header can hold a handle without
// Cairo's include path.
#include <memory>

typedef struct _cairo cairo_t;
typedef struct _cairo_surface cairo_surface_t;

struct CairoContextRelease {
    void operator()(cairo_t* context) const;
};
struct CairoSurfaceRelease {
    void operator()(cairo_surface_t* surface) const;
};

using CairoContext = std::unique_ptr<cairo_t, CairoContextRelease>;
using CairoSurface = std::unique_ptr<cairo_surface_t, CairoSurfaceRelease>;
