#include "platform/graphics/FadeBlend.h"

#include "platform/graphics/CairoHandles.h"

#include <cairo.h>

#include <cstring>

#if defined(__SSE2__)
#include <immintrin.h>
#endif

namespace blend {

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
template <std::size_t N> inline __m128i blendHalf(__m128i s, __m128i d, const __m128i* masks)
{
    for (std::size_t i = 0; i < N; ++i)
        s = multiply16(s, masks[i]);
    const __m128i inverse = _mm_xor_si128(alphaOf(s), _mm_set1_epi16(0x00ff));
    return _mm_adds_epu8(s, multiply16(d, inverse));
}

// Four pixels at a time; answers how many were done.
template <std::size_t N> int blendVector(std::uint32_t* dst, const std::uint32_t* src, int count, const std::vector<std::uint8_t>& masks)
{
    // One more than the masks, so that there is an array at all without any.
    __m128i vectors[N + 1];
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
        const __m128i low = blendHalf<N>(_mm_unpacklo_epi8(s, zero), _mm_unpacklo_epi8(d, zero), vectors);
        const __m128i high = blendHalf<N>(_mm_unpackhi_epi8(s, zero), _mm_unpackhi_epi8(d, zero), vectors);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + x), _mm_packus_epi16(low, high));
    }
    return x;
}
#endif

#if defined(__x86_64__) && defined(__GNUC__)
#define GLYPHWARD_BLEND_AVX2 1
// The same as blendVector, eight pixels at a time, for processors that have AVX2 (the unpacks,
// shuffles and packs work within each 128-bit half, so the halves come back in order).
__attribute__((target("avx2"))) inline __m256i multiplyWide(__m256i x, __m256i a)
{
    return _mm256_mulhi_epu16(_mm256_adds_epu16(_mm256_mullo_epi16(x, a), _mm256_set1_epi16(0x0080)), _mm256_set1_epi16(0x0101));
}

template <std::size_t N> __attribute__((target("avx2"))) inline __m256i blendHalvesWide(__m256i s, __m256i d, const __m256i* masks)
{
    for (std::size_t i = 0; i < N; ++i)
        s = multiplyWide(s, masks[i]);
    const __m256i alpha = _mm256_shufflehi_epi16(_mm256_shufflelo_epi16(s, 0xff), 0xff);
    return _mm256_adds_epu8(s, multiplyWide(d, _mm256_xor_si256(alpha, _mm256_set1_epi16(0x00ff))));
}

template <std::size_t N>
__attribute__((target("avx2"))) int blendVectorWide(std::uint32_t* dst, const std::uint32_t* src, int count, const std::vector<std::uint8_t>& masks)
{
    __m256i vectors[N + 1];
    for (std::size_t i = 0; i < N; ++i)
        vectors[i] = _mm256_set1_epi16(masks[i]);
    const __m256i zero = _mm256_setzero_si256();
    int x = 0;
    for (; x + 8 <= count; x += 8) {
        const __m256i s = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + x));
        if (_mm256_movemask_epi8(_mm256_cmpeq_epi8(s, zero)) == -1)
            continue;
        const __m256i d = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(dst + x));
        const __m256i low = blendHalvesWide<N>(_mm256_unpacklo_epi8(s, zero), _mm256_unpacklo_epi8(d, zero), vectors);
        const __m256i high = blendHalvesWide<N>(_mm256_unpackhi_epi8(s, zero), _mm256_unpackhi_epi8(d, zero), vectors);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + x), _mm256_packus_epi16(low, high));
    }
    return x;
}

// Plain OVER, eight pixels at a time, without unpacking: the destination's red and blue bytes and
// its alpha and green bytes each sit one to a 16-bit lane already, where they are multiplied by
// what the source leaves of them (255 − its alpha, in both lanes of its pixel) with the same
// rounding as blendVectorWide, and put back together before the source is added.
__attribute__((target("avx2"))) int overVectorWide(std::uint32_t* dst, const std::uint32_t* src, int count)
{
    const __m256i zero = _mm256_setzero_si256();
    const __m256i lowBytes = _mm256_set1_epi16(0x00ff);
    const __m256i half = _mm256_set1_epi16(0x0080);
    const __m256i divide = _mm256_set1_epi16(0x0101);
    // Each pixel's alpha byte (3) copied into the low byte of both of its 16-bit lanes.
    const __m256i spreadAlpha = _mm256_setr_epi8(3, -1, 3, -1, 7, -1, 7, -1, 11, -1, 11, -1, 15, -1, 15, -1, 3, -1, 3, -1, 7, -1, 7, -1,
        11, -1, 11, -1, 15, -1, 15, -1);
    int x = 0;
    for (; x + 8 <= count; x += 8) {
        const __m256i s = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + x));
        const int transparent = _mm256_movemask_epi8(_mm256_cmpeq_epi8(s, zero));
        if (transparent == -1)
            continue;
        const __m256i inverse = _mm256_xor_si256(_mm256_shuffle_epi8(s, spreadAlpha), lowBytes);
        const __m256i d = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(dst + x));
        const __m256i redBlue = _mm256_and_si256(d, lowBytes);
        const __m256i alphaGreen = _mm256_srli_epi16(d, 8);
        const __m256i keptRedBlue = _mm256_mulhi_epu16(_mm256_add_epi16(_mm256_mullo_epi16(redBlue, inverse), half), divide);
        const __m256i keptAlphaGreen = _mm256_mulhi_epu16(_mm256_add_epi16(_mm256_mullo_epi16(alphaGreen, inverse), half), divide);
        const __m256i kept = _mm256_or_si256(keptRedBlue, _mm256_slli_epi16(keptAlphaGreen, 8));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + x), _mm256_adds_epu8(s, kept));
    }
    return x;
}

// Two opaque pixels unpacked to 16 bits: the source times the masks, over what the destination
// keeps of itself.
template <std::size_t N>
__attribute__((target("avx2"))) inline __m256i overOpaqueWide(__m256i s, __m256i d, const __m256i* masks, __m256i inverse)
{
    for (std::size_t i = 0; i < N; ++i)
        s = multiplyWide(s, masks[i]);
    return _mm256_adds_epu8(s, multiplyWide(d, inverse));
}

// blendVectorWide for a source whose every alpha is 255: after the masks the source's alpha is
// the same in every pixel, and so is what is left of the destination.
template <std::size_t N>
__attribute__((target("avx2"))) int blendOpaqueWide(std::uint32_t* dst, const std::uint32_t* src, int count, const std::vector<std::uint8_t>& masks)
{
    __m256i vectors[N + 1];
    std::uint32_t alpha = 255;
    for (std::size_t i = 0; i < N; ++i) {
        vectors[i] = _mm256_set1_epi16(masks[i]);
        alpha = multiply(alpha, masks[i]);
    }
    const __m256i inverse = _mm256_set1_epi16(static_cast<short>(255 - alpha));
    const __m256i zero = _mm256_setzero_si256();
    int x = 0;
    for (; x + 8 <= count; x += 8) {
        const __m256i s = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + x));
        const __m256i d = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(dst + x));
        const __m256i low = overOpaqueWide<N>(_mm256_unpacklo_epi8(s, zero), _mm256_unpacklo_epi8(d, zero), vectors, inverse);
        const __m256i high = overOpaqueWide<N>(_mm256_unpackhi_epi8(s, zero), _mm256_unpackhi_epi8(d, zero), vectors, inverse);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + x), _mm256_packus_epi16(low, high));
    }
    return x;
}

bool hasAVX2()
{
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
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
#if defined(GLYPHWARD_BLEND_AVX2)
    if (hasAVX2()) {
        if (masks.empty())
            x = overVectorWide(dst, src, count);
        else if (masks.size() == 1)
            x = blendVectorWide<1>(dst, src, count, masks);
        else if (masks.size() == 2)
            x = blendVectorWide<2>(dst, src, count, masks);
    }
#endif
#if defined(__SSE2__)
    const int done = x;
    switch (masks.size()) {
    case 0:
        x += blendVector<0>(dst + done, src + done, count - done, masks);
        break;
    case 1:
        x += blendVector<1>(dst + done, src + done, count - done, masks);
        break;
    case 2:
        x += blendVector<2>(dst + done, src + done, count - done, masks);
        break;
    case 3:
        x += blendVector<3>(dst + done, src + done, count - done, masks);
        break;
    default:
        break;
    }
#endif
    for (; x < count; ++x)
        if (src[x] != 0)
            dst[x] = blendPixel(src[x], dst[x], masks);
}

void overRows(std::uint32_t* dst, std::ptrdiff_t dstStride, const std::uint32_t* src, std::ptrdiff_t srcStride, int width, int height)
{
    constexpr int kRowsAhead = 8;
    static const std::vector<std::uint8_t> noMasks;
    auto* out = reinterpret_cast<unsigned char*>(dst);
    const auto* in = reinterpret_cast<const unsigned char*>(src);
    for (int y = 0; y < height; ++y, out += dstStride, in += srcStride) {
        if (y + kRowsAhead < height)
            for (int offset = 0; offset < width * 4; offset += 64) {
                __builtin_prefetch(in + kRowsAhead * srcStride + offset);
                __builtin_prefetch(out + kRowsAhead * dstStride + offset, 1);
            }
        blendRow(reinterpret_cast<std::uint32_t*>(out), reinterpret_cast<const std::uint32_t*>(in), width, noMasks);
    }
}

void blendOpaqueRow(std::uint32_t* dst, const std::uint32_t* src, int count, const std::vector<std::uint8_t>& masks)
{
    int x = 0;
#if defined(GLYPHWARD_BLEND_AVX2)
    if (hasAVX2()) {
        if (masks.size() == 1)
            x = blendOpaqueWide<1>(dst, src, count, masks);
        else if (masks.size() == 2)
            x = blendOpaqueWide<2>(dst, src, count, masks);
    }
#endif
    blendRow(dst + x, src + x, count - x, masks);
}

} // namespace blend
