#pragma once
// What the desktop window shows in place of the screen while the host is in the background: the
// picture the application gave for it (UIApplication::backgroundCover), stretched over the whole
// screen as an image view of the screen's bounds draws it, on an opaque black ground. Nothing of
// the screen's own frame goes into it, so a task switcher's thumbnail or a screen share shows
// none of the host's content.
#include "platform/graphics/CGGeometry.h"
#include "platform/graphics/FrameBuffer.h"

#include <memory>

class UIImage;

class ScreenCover {
public:
    // The cover at points × scale pixels, every pixel opaque; black where there is no picture.
    // Null when that size is empty or not a number, or the buffer cannot be made.
    static std::unique_ptr<FrameBuffer> render(const std::shared_ptr<const UIImage>& picture, CGSize points, float scale);
    // The cover for the main screen, with the picture the application holds now.
    static std::unique_ptr<FrameBuffer> renderForMainScreen();
};
