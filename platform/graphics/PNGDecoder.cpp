#include "platform/graphics/PNGDecoder.h"

#include "platform/graphics/CairoHandles.h"
#include "platform/graphics/UIImage.h"

#include <cairo.h>
#include <png.h>

#include <bit>
#include <csetjmp>
#include <cstdint>
#include <cstring>
#include <fstream>

namespace {

// Refuse files and pictures beyond these before decoding: a damaged or hostile header must not
// make us allocate gigabytes.
constexpr std::uint64_t kMaxFileBytes = 64ull << 20;
constexpr std::uint32_t kMaxSide = 16384;
constexpr std::uint64_t kMaxPixels = 32ull << 20;

struct MemoryReader {
    const std::vector<unsigned char>& bytes;
    const PNGDecoder::ShouldStop& shouldStop;
    std::size_t offset = 0;

    // Both readers fail a read the decode was told to stop before, so libpng and Cairo unwind
    // as they do for a file cut short.
    bool take(unsigned char* data, std::size_t length)
    {
        if (bytes.size() - offset < length || (shouldStop && shouldStop()))
            return false;
        std::memcpy(data, bytes.data() + offset, length);
        offset += length;
        return true;
    }
};

cairo_status_t cairoRead(void* closure, unsigned char* data, unsigned int length)
{
    return static_cast<MemoryReader*>(closure)->take(data, length) ? CAIRO_STATUS_SUCCESS : CAIRO_STATUS_READ_ERROR;
}

void libpngRead(png_structp png, png_bytep data, png_size_t length)
{
    if (!static_cast<MemoryReader*>(png_get_io_ptr(png))->take(data, length))
        png_error(png, "read past the end or stopped");
}

// libpng reports errors by jumping back to the setjmp below; the message is of no use to us.
void libpngError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
// Warnings leave the picture readable, as Cairo's reader takes them.
void libpngWarning(png_structp, png_const_charp) { }

std::uint32_t bigEndian32(const unsigned char* p)
{
    return (std::uint32_t { p[0] } << 24) | (std::uint32_t { p[1] } << 16) | (std::uint32_t { p[2] } << 8) | std::uint32_t { p[3] };
}

// The signature and a sane IHDR (the first chunk) before a decoder sees the file.
bool headerLooksSound(const std::vector<unsigned char>& bytes)
{
    static const unsigned char signature[8] = { 0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n' };
    if (bytes.size() < 33 || std::memcmp(bytes.data(), signature, 8) != 0)
        return false;
    if (bigEndian32(bytes.data() + 8) != 13 || std::memcmp(bytes.data() + 12, "IHDR", 4) != 0)
        return false;
    const std::uint32_t width = bigEndian32(bytes.data() + 16);
    const std::uint32_t height = bigEndian32(bytes.data() + 20);
    return width > 0 && height > 0 && width <= kMaxSide && height <= kMaxSide
        && std::uint64_t { width } * height <= kMaxPixels;
}

struct ReadStruct {
    png_structp png = nullptr;
    png_infop info = nullptr;
    ~ReadStruct() { png_destroy_read_struct(&png, &info, nullptr); }
};

// Reads the chunks up to the pixels and asks for rows as 32-bit words 0xffRRGGBB, which is
// what Cairo's reader makes of such a picture; false when the picture is not one for this path.
// Nothing here may own resources: libpng leaves it by longjmp.
bool readOpaqueHeader(png_structp png, png_infop info, bool& applies)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_read_info(png, info);
    applies = png_get_bit_depth(png, info) == 8 && png_get_color_type(png, info) == PNG_COLOR_TYPE_RGB
        && !png_get_valid(png, info, PNG_INFO_tRNS);
    if (!applies)
        return false;
    if (png_get_interlace_type(png, info) != PNG_INTERLACE_NONE)
        png_set_interlace_handling(png);
    // In memory, little-endian: B, G, R, 0xff is the word 0xffRRGGBB.
    png_set_bgr(png);
    png_set_filler(png, 0xff, PNG_FILLER_AFTER);
    png_read_update_info(png, info);
    return png_get_rowbytes(png, info) == static_cast<png_size_t>(png_get_image_width(png, info)) * 4;
}

bool readOpaqueRows(png_structp png, png_infop info, png_bytepp rows)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_read_image(png, rows);
    // The rest of the file too, as Cairo's reader does: a picture cut short after its pixels is refused alike.
    png_read_end(png, info);
    return true;
}

} // namespace

bool PNGDecoder::readFile(const std::string& path, std::vector<unsigned char>& bytes)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return false;
    char chunk[65536];
    while (file.read(chunk, sizeof chunk) || file.gcount() > 0) {
        bytes.insert(bytes.end(), chunk, chunk + file.gcount());
        if (bytes.size() > kMaxFileBytes)
            return false;
    }
    return true;
}

bool PNGDecoder::readSize(const std::string& path, int& width, int& height)
{
    std::ifstream file(path, std::ios::binary);
    std::vector<unsigned char> header(33);
    if (!file.read(reinterpret_cast<char*>(header.data()), static_cast<std::streamsize>(header.size())) || !headerLooksSound(header))
        return false;
    width = static_cast<int>(bigEndian32(header.data() + 16));
    height = static_cast<int>(bigEndian32(header.data() + 20));
    return true;
}

std::shared_ptr<UIImage> PNGDecoder::decodeFile(const std::string& path, float scale, const ShouldStop& shouldStop)
{
    std::vector<unsigned char> bytes;
    return readFile(path, bytes) ? decode(bytes, scale, shouldStop) : nullptr;
}

std::shared_ptr<UIImage> PNGDecoder::decode(const std::vector<unsigned char>& bytes, float scale, const ShouldStop& shouldStop)
{
    if (!headerLooksSound(bytes))
        return nullptr;
    bool applies = false;
    auto image = decodeOpaque(bytes, scale, applies, shouldStop);
    return applies ? image : decodeWithCairo(bytes, scale, shouldStop);
}

std::shared_ptr<UIImage> PNGDecoder::decodeOpaque(const std::vector<unsigned char>& bytes, float scale, bool& applies, const ShouldStop& shouldStop)
{
    applies = false;
    if constexpr (std::endian::native != std::endian::little)
        return nullptr;
    if (!headerLooksSound(bytes))
        return nullptr;
    ReadStruct read;
    read.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, libpngError, libpngWarning);
    if (!read.png)
        return nullptr;
    read.info = png_create_info_struct(read.png);
    if (!read.info)
        return nullptr;
    MemoryReader reader { bytes, shouldStop };
    png_set_read_fn(read.png, &reader, libpngRead);
    if (!readOpaqueHeader(read.png, read.info, applies))
        return nullptr;

    const auto width = static_cast<std::size_t>(png_get_image_width(read.png, read.info));
    const auto height = static_cast<std::size_t>(png_get_image_height(read.png, read.info));
    std::vector<std::uint32_t> pixels(width * height);
    std::vector<png_bytep> rows(height);
    for (std::size_t y = 0; y < height; ++y)
        rows[y] = reinterpret_cast<png_bytep>(pixels.data() + y * width);
    if (!readOpaqueRows(read.png, read.info, rows.data()))
        return nullptr;
    return std::make_shared<UIImage>(static_cast<int>(width), static_cast<int>(height), scale, std::move(pixels));
}

std::shared_ptr<UIImage> PNGDecoder::decodeWithCairo(const std::vector<unsigned char>& bytes, float scale, const ShouldStop& shouldStop)
{
    if (!headerLooksSound(bytes))
        return nullptr;
    MemoryReader reader { bytes, shouldStop };
    const CairoSurface decoded { cairo_image_surface_create_from_png_stream(cairoRead, &reader) };
    cairo_surface_t* surface = decoded.get();
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS)
        return nullptr;
    cairo_surface_flush(surface);
    const cairo_format_t format = cairo_image_surface_get_format(surface);
    const int width = cairo_image_surface_get_width(surface);
    const int height = cairo_image_surface_get_height(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    const unsigned char* data = cairo_image_surface_get_data(surface);
    if (!data || width <= 0 || height <= 0 || (format != CAIRO_FORMAT_ARGB32 && format != CAIRO_FORMAT_RGB24))
        return nullptr;
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    // RGB24 leaves the top byte undefined; an opaque picture gets alpha 255.
    const std::uint32_t alphaBits = format == CAIRO_FORMAT_RGB24 ? 0xff000000u : 0u;
    for (int y = 0; y < height; ++y) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(data + static_cast<std::ptrdiff_t>(y) * stride);
        for (int x = 0; x < width; ++x)
            pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)] = row[x] | alphaBits;
    }
    return std::make_shared<UIImage>(width, height, scale, std::move(pixels));
}
