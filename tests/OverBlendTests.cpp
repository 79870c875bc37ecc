// The compositor's own OVER of premultiplied ARGB32 rows, which stands in for pixman wherever a
// drawing is composed by its pixels: every byte must come out as cairo paints it, whatever the
// row's length, where it starts, and however much of it is transparent or opaque.
#include "platform/graphics/FadeBlend.h"
#include "platform/compositor/Renderer.h"
#include "platform/graphics/UIImage.h"
#include "platform/ui/UIImageView.h"
#include "platform/ui/UIScreen.h"
#include "platform/ui/UIWindow.h"

#include <cairo.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
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

// The source painted OVER the destination by cairo itself, as one row (images on whole pixels are
// composed with this blend by the toolkit too, so the reference is cairo's own paint).
std::vector<std::uint32_t> cairoOver(const std::vector<std::uint32_t>& source, const std::vector<std::uint32_t>& destination)
{
    const auto surfaceOf = [](const std::vector<std::uint32_t>& pixels) {
        cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kWidth, 1);
        cairo_surface_flush(surface);
        std::memcpy(cairo_image_surface_get_data(surface), pixels.data(), pixels.size() * sizeof pixels[0]);
        cairo_surface_mark_dirty(surface);
        return surface;
    };
    cairo_surface_t* target = surfaceOf(destination);
    cairo_surface_t* picture = surfaceOf(source);
    cairo_t* cr = cairo_create(target);
    cairo_set_source_surface(cr, picture, 0, 0);
    cairo_paint(cr);
    cairo_destroy(cr);
    cairo_surface_flush(target);
    std::vector<std::uint32_t> row(kWidth);
    std::memcpy(row.data(), cairo_image_surface_get_data(target), row.size() * sizeof row[0]);
    cairo_surface_destroy(picture);
    cairo_surface_destroy(target);
    return row;
}

// The same through an image view drawn on whole pixels over another, in a window drawn alone.
std::vector<std::uint32_t> viewsOver(const std::vector<std::uint32_t>& source, const std::vector<std::uint32_t>& destination)
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
        // A picture over a translucent one is drawn over transparency first: only an opaque
        // destination is the same through views.
        if (trial % 2) {
            ASSERT_EQ(viewsOver(source, destination), expected) << "trial " << trial << ": an image view composed over another";
        }
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
