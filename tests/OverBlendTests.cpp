// The compositor's own OVER of premultiplied ARGB32 rows, which stands in for pixman wherever a
// drawing is composed by its pixels: every byte must come out as cairo paints it, whatever the
// row's length, where it starts, and however much of it is transparent or opaque.
#include "platform/graphics/FadeBlend.h"
#include "platform/compositor/Renderer.h"
#include "platform/graphics/UIImage.h"
#include "platform/ui/UIImageView.h"
#include "platform/ui/UIScreen.h"
#include "platform/ui/UIWindow.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

namespace {

constexpr int kWidth = 96;

// A premultiplied pixel: colour bytes never above the alpha.
std::uint32_t premultiplied(std::mt19937& random, std::uint32_t alpha)
{
    std::uint32_t pixel = alpha << 24;
    for (int shift = 0; shift < 24; shift += 8)
        pixel |= (alpha == 0 ? 0 : random() % (alpha + 1)) << shift;
    return pixel;
}

// Sources of every kind a drawing holds, in groups of eight: all transparent (skipped), all
// opaque, anti-aliased edges (a few alphas mixed), and anything at all.
std::vector<std::uint32_t> sourceRow(std::mt19937& random)
{
    std::vector<std::uint32_t> row(kWidth);
    for (int x = 0; x < kWidth; ++x) {
        switch ((x / 8) % 4) {
        case 0:
            row[x] = 0;
            break;
        case 1:
            row[x] = premultiplied(random, 255);
            break;
        case 2:
            row[x] = x % 3 == 0 ? 0 : premultiplied(random, random() % 2 ? 255 : 1 + random() % 254);
            break;
        default:
            row[x] = premultiplied(random, random() % 256);
            break;
        }
    }
    return row;
}

// The source painted OVER the destination by cairo, as one row: two pictures, one over the
// other, in a window drawn alone over transparency.
std::vector<std::uint32_t> cairoOver(const std::vector<std::uint32_t>& source, const std::vector<std::uint32_t>& destination)
{
    UIScreen::setMainScreen(std::make_shared<UIScreen>(CGSizeMake(kWidth, 1), 1.0f));
    auto window = std::make_shared<UIWindow>();
    window->initWithFrame({ { 0, 0 }, { kWidth, 1 } });
    for (const auto* pixels : { &destination, &source }) {
        auto picture = std::make_shared<UIImageView>();
        picture->initWithImage(std::make_shared<UIImage>(kWidth, 1, 1.0f, *pixels));
        picture->setFrame({ { 0, 0 }, { kWidth, 1 } });
        window->addSubview(picture);
    }
    const auto painted = Renderer::snapshotWindow(*window);
    std::vector<std::uint32_t> row(kWidth);
    for (int x = 0; painted && x < kWidth; ++x)
        row[x] = painted->pixelAt(x, 0);
    return row;
}

} // namespace

TEST(OverBlend, EveryRowComesOutAsCairoPaintsItAndNothingBesideIt)
{
    std::mt19937 random(20);
    for (int trial = 0; trial < 8; ++trial) {
        const auto source = sourceRow(random);
        std::vector<std::uint32_t> destination(kWidth);
        // Opaque screens and translucent pictures both lie under drawings.
        for (auto& pixel : destination)
            pixel = premultiplied(random, trial % 2 ? 255 : random() % 256);
        const auto expected = cairoOver(source, destination);
        // Every start and length: the wide loop, the narrow one and the pixel-by-pixel tail.
        for (int start = 0; start < 9; ++start)
            for (int count = 0; start + count <= kWidth; ++count) {
                auto row = destination;
                blend::blendRow(row.data() + start, source.data() + start, count, {});
                for (int x = 0; x < kWidth; ++x) {
                    const bool inside = x >= start && x < start + count;
                    ASSERT_EQ(row[x], inside ? expected[x] : destination[x])
                        << "trial " << trial << ", pixel " << x << " of a row of " << count << " from " << start;
                }
            }
    }
}
