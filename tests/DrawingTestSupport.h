#pragma once
// Shared by the drawing tests: a solid picture to draw with, two pictures compared every byte,
// and the screen so compared with a window drawn alone the plain way.
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

// Two pictures of the same size, every pixel the same.
inline ::testing::AssertionResult samePixels(const std::shared_ptr<UIImage>& picture, const std::shared_ptr<UIImage>& expected)
{
    if (!picture || !expected || picture->pixelWidth() != expected->pixelWidth() || picture->pixelHeight() != expected->pixelHeight())
        return ::testing::AssertionFailure() << "no picture to compare";
    for (int y = 0; y < picture->pixelHeight(); ++y)
        for (int x = 0; x < picture->pixelWidth(); ++x)
            if (picture->pixelAt(x, y) != expected->pixelAt(x, y))
                return ::testing::AssertionFailure() << "pixel " << x << "," << y << " is " << pixel_probe::at(*picture, x, y) << " instead of "
                                                     << pixel_probe::at(*expected, x, y);
    return ::testing::AssertionSuccess();
}

// The screen after one frame against the window drawn alone the plain way (cairo's own groups,
// nothing kept, nothing culled): a window filling the screen at full alpha must come out byte for
// byte the same.
inline ::testing::AssertionResult screenMatchesWindowSnapshot(UIWindow& window)
{
    Renderer::shared().renderScreen();
    return samePixels(Renderer::shared().frameBuffer().toImage(1), Renderer::snapshotWindow(window));
}

} // namespace drawing_test
