#pragma once
// Shared by the drawing tests: a solid picture to draw with, and the screen compared every byte
// with a window drawn alone the plain way.
#include "PixelProbe.h"

#include "platform/compositor/Renderer.h"
#include "platform/graphics/UIColor.h"
#include "platform/graphics/UIImage.h"
#include "platform/ui/UIWindow.h"

#include <gtest/gtest.h>

#include <memory>

namespace drawing_test {

// A picture of the size in points at scale 1, filled with the colour.
inline std::shared_ptr<UIImage> solidImage(const std::shared_ptr<UIColor>& color, CGSize size)
{
    UIGraphicsBeginImageContext(size);
    CGContextSetFillColorWithColor(UIGraphicsGetCurrentContext(), color.get());
    CGContextFillRect(UIGraphicsGetCurrentContext(), { {}, size });
    auto image = UIGraphicsGetImageFromCurrentImageContext();
    UIGraphicsEndImageContext();
    return image;
}

// The screen after one frame against the window drawn alone the plain way (cairo's own groups,
// nothing kept, nothing culled): a window filling the screen at full alpha must come out byte for
// byte the same.
inline ::testing::AssertionResult screenMatchesWindowSnapshot(UIWindow& window)
{
    Renderer::shared().renderScreen();
    const auto screen = Renderer::shared().frameBuffer().toImage(1);
    const auto alone = Renderer::snapshotWindow(window);
    if (!screen || !alone || screen->pixelWidth() != alone->pixelWidth() || screen->pixelHeight() != alone->pixelHeight())
        return ::testing::AssertionFailure() << "no picture to compare";
    for (int y = 0; y < screen->pixelHeight(); ++y)
        for (int x = 0; x < screen->pixelWidth(); ++x)
            if (screen->pixelAt(x, y) != alone->pixelAt(x, y))
                return ::testing::AssertionFailure() << "pixel " << x << "," << y << " is " << pixel_probe::at(*screen, x, y) << " instead of "
                                                     << pixel_probe::at(*alone, x, y);
    return ::testing::AssertionSuccess();
}

} // namespace drawing_test
