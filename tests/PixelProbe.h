#pragma once
// Pixel probes for drawing tests: read one premultiplied ARGB32 pixel as components 0…255 and
// compare with a tolerance, so antialiasing and rounding do not make tests brittle.
#include "platform/graphics/UIImage.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <ostream>

namespace pixel_probe {

struct Pixel {
    int a = 0, r = 0, g = 0, b = 0;
    friend std::ostream& operator<<(std::ostream& out, const Pixel& p)
    {
        return out << "argb(" << p.a << ", " << p.r << ", " << p.g << ", " << p.b << ")";
    }
};

inline Pixel unpack(std::uint32_t v)
{
    return { static_cast<int>(v >> 24), static_cast<int>((v >> 16) & 0xff), static_cast<int>((v >> 8) & 0xff), static_cast<int>(v & 0xff) };
}

inline Pixel at(const UIImage& image, int x, int y) { return unpack(image.pixelAt(x, y)); }

// Premultiplied components, each within `tolerance` of the expected ones.
inline ::testing::AssertionResult near(const Pixel& actual, const Pixel& expected, int tolerance = 3)
{
    if (std::abs(actual.a - expected.a) <= tolerance && std::abs(actual.r - expected.r) <= tolerance
        && std::abs(actual.g - expected.g) <= tolerance && std::abs(actual.b - expected.b) <= tolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << actual << " is not within " << tolerance << " of " << expected;
}

} // namespace pixel_probe
