#include "apps/host/ContactSheet.h"

#include "platform/graphics/UIImage.h"

#include <algorithm>
#include <cstdint>

namespace {

constexpr int gap = 12;
constexpr std::uint32_t ground = 0xff202124;

// The average of a shrink × shrink block; premultiplied channels average without fringes.
std::uint32_t averageBlock(const UIImage& image, int x0, int y0, int shrink)
{
    std::uint64_t sums[4] = {};
    int count = 0;
    for (int y = y0; y < std::min(y0 + shrink, image.pixelHeight()); ++y)
        for (int x = x0; x < std::min(x0 + shrink, image.pixelWidth()); ++x) {
            const std::uint32_t p = image.pixelAt(x, y);
            for (int c = 0; c < 4; ++c)
                sums[c] += (p >> (8 * c)) & 0xffu;
            ++count;
        }
    std::uint32_t out = 0;
    for (int c = 0; c < 4; ++c)
        out |= static_cast<std::uint32_t>(count ? sums[c] / static_cast<std::uint64_t>(count) : 0) << (8 * c);
    return out;
}

} // namespace

std::shared_ptr<UIImage> ContactSheet::make(const std::vector<std::shared_ptr<UIImage>>& pictures, int columns, int shrink)
{
    if (pictures.empty() || columns < 1 || shrink < 1)
        return nullptr;
    int cellWidth = 0, cellHeight = 0;
    for (const auto& picture : pictures) {
        if (!picture)
            continue;
        cellWidth = std::max(cellWidth, (picture->pixelWidth() + shrink - 1) / shrink);
        cellHeight = std::max(cellHeight, (picture->pixelHeight() + shrink - 1) / shrink);
    }
    if (cellWidth == 0 || cellHeight == 0)
        return nullptr;
    const int count = static_cast<int>(pictures.size());
    const int used = std::min(columns, count);
    const int rows = (count + columns - 1) / columns;
    const int width = gap + used * (cellWidth + gap);
    const int height = gap + rows * (cellHeight + gap);

    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), ground);
    for (int i = 0; i < count; ++i) {
        const auto& picture = pictures[static_cast<std::size_t>(i)];
        if (!picture)
            continue;
        const int left = gap + (i % columns) * (cellWidth + gap);
        const int top = gap + (i / columns) * (cellHeight + gap);
        for (int y = 0; y * shrink < picture->pixelHeight(); ++y)
            for (int x = 0; x * shrink < picture->pixelWidth(); ++x) {
                const std::uint32_t p = averageBlock(*picture, x * shrink, y * shrink, shrink);
                // Over the dark ground, so see-through parts of a picture do not punch holes.
                const std::uint32_t alpha = p >> 24;
                std::uint32_t out = 0xff000000u;
                for (int c = 0; c < 3; ++c) {
                    const std::uint32_t src = (p >> (8 * c)) & 0xffu;
                    const std::uint32_t dst = (ground >> (8 * c)) & 0xffu;
                    out |= std::min<std::uint32_t>(255, src + dst * (255 - alpha) / 255) << (8 * c);
                }
                pixels[static_cast<std::size_t>(top + y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(left + x)] = out;
            }
    }
    return std::make_shared<UIImage>(width, height, 1.0f, std::move(pixels));
}
