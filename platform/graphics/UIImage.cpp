#include "platform/graphics/UIImage.h"

#include "platform/graphics/CairoHandles.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sys/stat.h>

namespace {

// Refuse files and pictures beyond these before decoding: a damaged or hostile header must not
// make us allocate gigabytes.
constexpr std::uint64_t kMaxFileBytes = 64ull << 20;
constexpr std::uint32_t kMaxSide = 16384;
constexpr std::uint64_t kMaxPixels = 32ull << 20;

struct PNGReader {
    const std::vector<unsigned char>& bytes;
    std::size_t offset = 0;
};

cairo_status_t readFromMemory(void* closure, unsigned char* data, unsigned int length)
{
    auto* reader = static_cast<PNGReader*>(closure);
    if (reader->bytes.size() - reader->offset < length)
        return CAIRO_STATUS_READ_ERROR;
    std::memcpy(data, reader->bytes.data() + reader->offset, length);
    reader->offset += length;
    return CAIRO_STATUS_SUCCESS;
}

std::uint32_t bigEndian32(const unsigned char* p)
{
    return (std::uint32_t { p[0] } << 24) | (std::uint32_t { p[1] } << 16) | (std::uint32_t { p[2] } << 8) | std::uint32_t { p[3] };
}

// The signature and a sane IHDR (the first chunk) before the decoder sees the file.
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

// Decoded pictures by file, so that building the lock screen again does not decode its PNGs again.
// Images are immutable, so handing out the same one is safe; a few are kept alive for that.
struct DecodedKey {
    std::string path;
    std::int64_t modifiedSeconds = 0, modifiedNanoseconds = 0, size = 0;
    float scale = 1;
    bool operator==(const DecodedKey&) const = default;
};

class DecodedCache {
public:
    std::shared_ptr<UIImage> find(const DecodedKey& key)
    {
        auto it = std::find_if(entries_.begin(), entries_.end(), [&](const auto& entry) { return entry.first == key; });
        if (it == entries_.end())
            return nullptr;
        // The most recently used sits at the front.
        std::rotate(entries_.begin(), it, it + 1);
        return entries_.front().second;
    }
    void insert(DecodedKey key, std::shared_ptr<UIImage> image)
    {
        // An older version of the same file is of no more use.
        std::erase_if(entries_, [&](const auto& entry) { return entry.first.path == key.path && entry.first.scale == key.scale; });
        entries_.insert(entries_.begin(), { std::move(key), std::move(image) });
        if (entries_.size() > kCapacity)
            entries_.pop_back();
    }

private:
    static constexpr std::size_t kCapacity = 8;
    std::vector<std::pair<DecodedKey, std::shared_ptr<UIImage>>> entries_;
};

DecodedCache& decodedCache()
{
    static DecodedCache cache;
    return cache;
}

bool isRegularFile(const std::string& path)
{
    struct stat info { };
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

std::string withScaleSuffix(const std::string& stem, const std::string& extension, int scale)
{
    return stem + "@" + std::to_string(scale) + "x" + extension;
}

} // namespace

UIImage::UIImage(int pixelWidth, int pixelHeight, float scale, std::vector<std::uint32_t> pixels)
    : pixelWidth_(std::max(pixelWidth, 0))
    , pixelHeight_(std::max(pixelHeight, 0))
    , scale_(scale > 0 && std::isfinite(scale) ? scale : 1.0f)
    , pixels_(std::move(pixels))
{
    // Keep pixelAt() inside the buffer whatever the caller handed in.
    pixels_.resize(static_cast<std::size_t>(pixelWidth_) * static_cast<std::size_t>(pixelHeight_), 0u);
}

std::shared_ptr<UIImage> UIImage::imageWithPNGFile(const std::string& path, float scale)
{
    struct stat info { };
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return nullptr;
    DecodedKey key { path, static_cast<std::int64_t>(info.st_mtim.tv_sec), static_cast<std::int64_t>(info.st_mtim.tv_nsec),
        static_cast<std::int64_t>(info.st_size), scale };
    if (auto known = decodedCache().find(key))
        return known;
    auto image = decodePNGFile(path, scale);
    if (image)
        decodedCache().insert(std::move(key), image);
    return image;
}

std::shared_ptr<UIImage> UIImage::decodePNGFile(const std::string& path, float scale)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return nullptr;
    std::vector<unsigned char> bytes;
    char chunk[65536];
    while (file.read(chunk, sizeof chunk) || file.gcount() > 0) {
        bytes.insert(bytes.end(), chunk, chunk + file.gcount());
        if (bytes.size() > kMaxFileBytes)
            return nullptr;
    }
    if (!headerLooksSound(bytes))
        return nullptr;

    PNGReader reader { bytes };
    const CairoSurface decoded { cairo_image_surface_create_from_png_stream(readFromMemory, &reader) };
    cairo_surface_t* surface = decoded.get();
    std::shared_ptr<UIImage> image;
    if (cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS) {
        cairo_surface_flush(surface);
        const cairo_format_t format = cairo_image_surface_get_format(surface);
        const int width = cairo_image_surface_get_width(surface);
        const int height = cairo_image_surface_get_height(surface);
        const int stride = cairo_image_surface_get_stride(surface);
        const unsigned char* data = cairo_image_surface_get_data(surface);
        if (data && width > 0 && height > 0 && (format == CAIRO_FORMAT_ARGB32 || format == CAIRO_FORMAT_RGB24)) {
            std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
            // RGB24 leaves the top byte undefined; an opaque picture gets alpha 255.
            const std::uint32_t alphaBits = format == CAIRO_FORMAT_RGB24 ? 0xff000000u : 0u;
            for (int y = 0; y < height; ++y) {
                const auto* row = reinterpret_cast<const std::uint32_t*>(data + static_cast<std::ptrdiff_t>(y) * stride);
                for (int x = 0; x < width; ++x)
                    pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)] = row[x] | alphaBits;
            }
            image = std::make_shared<UIImage>(width, height, scale, std::move(pixels));
        }
    }
    return image;
}

std::shared_ptr<UIImage> UIImage::imageWithContentsOfFile(const std::string& path)
{
    return imageWithContentsOfFile(path, UIGraphicsMainScreenScale());
}

std::shared_ptr<UIImage> UIImage::imageWithContentsOfFile(const std::string& path, float screenScale)
{
    std::string stem = path;
    std::string extension;
    const auto slash = path.find_last_of('/');
    const auto dot = path.find_last_of('.');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) {
        stem = path.substr(0, dot);
        extension = path.substr(dot);
    }
    // A name that already carries its scale is read at that scale.
    for (int explicitScale : { 2, 3 }) {
        const std::string suffix = "@" + std::to_string(explicitScale) + "x";
        if (stem.size() > suffix.size() && stem.compare(stem.size() - suffix.size(), suffix.size(), suffix) == 0)
            return imageWithPNGFile(path, static_cast<float>(explicitScale));
    }

    // The variant matching the screen first, then the plain file, then the other variants.
    std::vector<int> order;
    if (screenScale >= 2.5f)
        order = { 3, 2, 1 };
    else if (screenScale >= 1.5f)
        order = { 2, 1, 3 };
    else
        order = { 1, 2, 3 };
    for (int scale : order) {
        const std::string candidate = scale == 1 ? path : withScaleSuffix(stem, extension, scale);
        if (!isRegularFile(candidate))
            continue;
        // The first file that exists decides: a damaged @2x is not silently replaced by another picture.
        return imageWithPNGFile(candidate, static_cast<float>(scale));
    }
    return nullptr;
}

bool UIImage::isOpaque() const
{
    if (opaque_ < 0)
        opaque_ = std::all_of(pixels_.begin(), pixels_.end(), [](std::uint32_t p) { return (p >> 24) == 0xffu; }) && !pixels_.empty() ? 1 : 0;
    return opaque_ == 1;
}

bool UIImage::writePNG(const std::string& path) const
{
    if (pixelWidth_ <= 0 || pixelHeight_ <= 0)
        return false;
    const int stride = cairo_format_stride_for_width(CAIRO_FORMAT_ARGB32, pixelWidth_);
    if (stride != pixelWidth_ * 4)
        return false;
    // Cairo only reads from the wrapped pixels here.
    auto* data = reinterpret_cast<unsigned char*>(const_cast<std::uint32_t*>(pixels_.data()));
    const CairoSurface surface { cairo_image_surface_create_for_data(data, CAIRO_FORMAT_ARGB32, pixelWidth_, pixelHeight_, stride) };
    return cairo_surface_status(surface.get()) == CAIRO_STATUS_SUCCESS
        && cairo_surface_write_to_png(surface.get(), path.c_str()) == CAIRO_STATUS_SUCCESS;
}

std::string UIImage::description() const
{
    char text[128];
    const CGSize points = size();
    std::snprintf(text, sizeof text, "<UIImage: %p>, {%g, %g}", static_cast<const void*>(this), static_cast<double>(points.width),
        static_cast<double>(points.height));
    return text;
}
