#pragma once
// What the graphics layer keeps for one toolkit: the main screen's scale, the stack of bitmap
// contexts, the caches of decoded, drawn and surfaced images and of laid-out text, and the decodes under way. The
// decodes go first on the way out, their worker threads waited for, then the rest in reverse.
#include "platform/graphics/DecodedImageCache.h"
#include "platform/graphics/ImageSurfaces.h"
#include "platform/graphics/NamedImageCache.h"
#include "platform/graphics/PrefetchRegistry.h"
#include "platform/graphics/TextLayoutCache.h"

#include <memory>
#include <vector>

struct CGContext;

class GraphicsState {
public:
    GraphicsState() = default;
    ~GraphicsState();
    GraphicsState(const GraphicsState&) = delete;
    GraphicsState& operator=(const GraphicsState&) = delete;

    // The state of the toolkit alive now; with none alive it says so on stderr and aborts.
    static GraphicsState& current();
    // Makes this state the one in force (null: none) and answers the one it replaces.
    static GraphicsState* makeCurrent(GraphicsState* state);

    float& mainScreenScale() { return mainScreenScale_; }
    std::vector<std::shared_ptr<CGContext>>& contextStack() { return contextStack_; }
    DecodedImageCache& decodedImages() { return decodedImages_; }
    NamedImageCache& namedImages() { return namedImages_; }
    ImageSurfaces& imageSurfaces() { return imageSurfaces_; }
    PrefetchRegistry& prefetch() { return prefetch_; }
    TextLayoutCache& textLayouts() { return textLayouts_; }

private:
    float mainScreenScale_ = 1.0f;
    std::vector<std::shared_ptr<CGContext>> contextStack_;
    DecodedImageCache decodedImages_;
    NamedImageCache namedImages_;
    ImageSurfaces imageSurfaces_;
    TextLayoutCache textLayouts_;
    PrefetchRegistry prefetch_;
};
