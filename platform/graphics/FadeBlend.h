#pragma once
// Composes a faded picture over what lies under it at several alphas at once: what cairo gives
// when the picture is painted at the first alpha into a transparent group that is then painted
// at the next, and so on, in one pass and without the groups in between. Painted at an alpha
// into transparency, a picture comes out as each of its bytes times the alpha, rounded as pixman
// rounds; this repeats those products exactly.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace blend {

// The 8-bit mask pixman is handed when cairo paints at this alpha (asked of cairo itself).
std::uint8_t maskForAlpha(double alpha);

// dst = (src × masks[0] × masks[1] × …) OVER dst, for count premultiplied ARGB32 pixels; with no
// masks, plain src OVER dst.
void blendRow(std::uint32_t* dst, const std::uint32_t* src, int count, const std::vector<std::uint8_t>& masks);
// The same for a source whose every pixel is opaque (alpha 255), with the same bytes, faster.
void blendOpaqueRow(std::uint32_t* dst, const std::uint32_t* src, int count, const std::vector<std::uint8_t>& masks);
// Plain src OVER dst for a rectangle of rows a stride apart on either side (strides in bytes).
// The rows a few below are asked of memory while one is composed: rows a stride apart are a
// pattern the hardware does not run ahead of, and a picture composed over a screen is mostly
// out of the cache.
void overRows(std::uint32_t* dst, std::ptrdiff_t dstStride, const std::uint32_t* src, std::ptrdiff_t srcStride, int width, int height);

} // namespace blend
