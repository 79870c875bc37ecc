#include "platform/compositor/FadeBlend.h"

#include "platform/graphics/CairoHandles.h"

#include <cairo.h>

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace compositor {

namespace {

// x × a / 255, rounded as pixman rounds.
inline std::uint32_t multiply(std::uint32_t x, std::uint32_t a)
{
    const std::uint32_t t = x * a + 0x80;
    return ((t >> 8) + t) >> 8;
}

std::uint32_t blendPixel(std::uint32_t s, std::uint32_t d, const std::vector<std::uint8_t>& masks)
{
    std::uint32_t c[4];
    for (int i = 0; i < 4; ++i) {
        c[i] = (s >> (8 * i)) & 0xff;
        for (std::uint8_t m : masks)
            c[i] = multiply(c[i], m);
    }
    const std::uint32_t inverse = 255 - c[3];
    std::uint32_t out = 0;
    for (int i = 0; i < 4; ++i) {
        const std::uint32_t v = c[i] + multiply((d >> (8 * i)) & 0xff, inverse);
        out |= (v > 255 ? 255 : v) << (8 * i);
    }
    return out;
}

#if defined(__SSE2__)
// Eight 16-bit lanes (two pixels) times the lanes of a, rounded as pixman's SSE2 code rounds.
inline __m128i multiply16(__m128i x, __m128i a)
{
    return _mm_mulhi_epu16(_mm_adds_epu16(_mm_mullo_epi16(x, a), _mm_set1_epi16(0x0080)), _mm_set1_epi16(0x0101));
}

inline __m128i alphaOf(__m128i x) { return _mm_shufflehi_epi16(_mm_shufflelo_epi16(x, 0xff), 0xff); }

// Two pixels unpacked to 16 bits: the source times the masks, over the destination.
template <std::size_t N> inline __m128i blendHalf(__m128i s, __m128i d, const __m128i (&masks)[N])
{
    for (std::size_t i = 0; i < N; ++i)
        s = multiply16(s, masks[i]);
    const __m128i inverse = _mm_xor_si128(alphaOf(s), _mm_set1_epi16(0x00ff));
    return _mm_adds_epu8(s, multiply16(d, inverse));
}

// Four pixels at a time; answers how many were done.
template <std::size_t N> int blendVector(std::uint32_t* dst, const std::uint32_t* src, int count, const std::vector<std::uint8_t>& masks)
{
    __m128i vectors[N];
    for (std::size_t i = 0; i < N; ++i)
        vectors[i] = _mm_set1_epi16(masks[i]);
    const __m128i zero = _mm_setzero_si128();
    int x = 0;
    for (; x + 4 <= count; x += 4) {
        const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + x));
        // Transparent source leaves the destination as it is.
        if (_mm_movemask_epi8(_mm_cmpeq_epi8(s, zero)) == 0xffff)
            continue;
        const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dst + x));
        const __m128i low = blendHalf(_mm_unpacklo_epi8(s, zero), _mm_unpacklo_epi8(d, zero), vectors);
        const __m128i high = blendHalf(_mm_unpackhi_epi8(s, zero), _mm_unpackhi_epi8(d, zero), vectors);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + x), _mm_packus_epi16(low, high));
    }
    return x;
}
#endif

} // namespace

std::uint8_t maskForAlpha(double alpha)
{
    // Opaque white painted at the alpha into transparency leaves exactly the mask in every byte.
    CairoSurface surface { cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1) };
    CairoSurface white { cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1) };
    {
        CairoContext cr { cairo_create(white.get()) };
        cairo_set_source_rgb(cr.get(), 1, 1, 1);
        cairo_paint(cr.get());
    }
    {
        CairoContext cr { cairo_create(surface.get()) };
        cairo_set_source_surface(cr.get(), white.get(), 0, 0);
        cairo_paint_with_alpha(cr.get(), alpha);
    }
    cairo_surface_flush(surface.get());
    std::uint32_t pixel = 0;
    std::memcpy(&pixel, cairo_image_surface_get_data(surface.get()), sizeof pixel);
    return static_cast<std::uint8_t>(pixel >> 24);
}

void blendRow(std::uint32_t* dst, const std::uint32_t* src, int count, const std::vector<std::uint8_t>& masks)
{
    int x = 0;
#if defined(__SSE2__)
    switch (masks.size()) {
    case 1:
        x = blendVector<1>(dst, src, count, masks);
        break;
    case 2:
        x = blendVector<2>(dst, src, count, masks);
        break;
    case 3:
        x = blendVector<3>(dst, src, count, masks);
        break;
    default:
        break;
    }
#endif
    for (; x < count; ++x)
        if (src[x] != 0)
            dst[x] = blendPixel(src[x], dst[x], masks);
}

} // namespace compositor
