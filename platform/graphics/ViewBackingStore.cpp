#include "platform/graphics/ViewBackingStore.h"

ViewBackingStore::~ViewBackingStore() { dropSurface(); }

bool ViewBackingStore::ensureSurface(int pixelWidth, int pixelHeight)
{
    if (surface_ && pixelWidth == pixelWidth_ && pixelHeight == pixelHeight_)
        return false;
    dropSurface();
    surface_ = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, pixelWidth, pixelHeight);
    pixelWidth_ = pixelWidth;
    pixelHeight_ = pixelHeight;
    return true;
}

void ViewBackingStore::dropSurface()
{
    if (surface_)
        cairo_surface_destroy(surface_);
    surface_ = nullptr;
    pixelWidth_ = pixelHeight_ = 0;
}
