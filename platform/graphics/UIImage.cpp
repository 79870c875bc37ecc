#include "platform/graphics/UIImage.h"
#include "platform/foundation/SafeOutputFile.h"

#include "platform/graphics/CairoHandles.h"
#include "platform/graphics/GraphicsState.h"
#include "platform/graphics/ImagePrefetch.h"
#include "platform/graphics/PNGDecoder.h"

#include <cairo.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using DecodedKey = ImagePrefetch::Key;

DecodedImageCache& decodedCache() { return GraphicsState::current().decodedImages(); }

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

UIImage::UIImage(int pixelWidth, int pixelHeight, float scale, std::future<std::shared_ptr<UIImage>> decoding)
    : pixelWidth_(std::max(pixelWidth, 0))
    , pixelHeight_(std::max(pixelHeight, 0))
    , scale_(scale > 0 && std::isfinite(scale) ? scale : 1.0f)
    , decoding_(std::move(decoding))
{
}

void UIImage::settle() const
{
    std::call_once(settled_, [this] {
        if (!decoding_.valid())
            return;
        std::shared_ptr<UIImage> decoded = decoding_.get();
        // The decoded image is this one's alone: nobody else ever saw it.
        if (decoded && decoded->pixelWidth_ == pixelWidth_ && decoded->pixelHeight_ == pixelHeight_)
            pixels_ = std::move(decoded->pixels_);
        pixels_.resize(static_cast<std::size_t>(pixelWidth_) * static_cast<std::size_t>(pixelHeight_), 0u);
    });
}

std::shared_ptr<UIImage> UIImage::imageWithPNGFile(const std::string& path, float scale)
{
    std::optional<DecodedKey> key = ImagePrefetch::keyFor(path, scale);
    if (!key)
        return nullptr;
    if (auto known = decodedCache().find(*key))
        return known;
    std::optional<std::shared_ptr<UIImage>> prefetched = ImagePrefetch::take(*key);
    auto image = prefetched ? *prefetched : PNGDecoder::decodeFile(path, scale);
    if (image)
        decodedCache().insert(std::move(*key), image);
    return image;
}

void UIImage::prefetchContentsOfFiles(const std::vector<std::string>& paths)
{
    std::vector<DecodedKey> keys;
    for (const std::string& path : paths) {
        const auto variant = fileForScale(path, UIGraphicsMainScreenScale());
        std::optional<DecodedKey> key = variant ? ImagePrefetch::keyFor(variant->first, variant->second) : std::nullopt;
        if (key && !decodedCache().find(*key))
            keys.push_back(std::move(*key));
    }
    if (!keys.empty())
        ImagePrefetch::start(keys);
}

std::shared_ptr<UIImage> UIImage::imageWithContentsOfFile(const std::string& path)
{
    return imageWithContentsOfFile(path, UIGraphicsMainScreenScale());
}

std::shared_ptr<UIImage> UIImage::imageWithContentsOfFile(const std::string& path, float screenScale)
{
    const auto variant = fileForScale(path, screenScale);
    return variant ? imageWithPNGFile(variant->first, variant->second) : nullptr;
}

std::optional<std::pair<std::string, float>> UIImage::fileForScale(const std::string& path, float screenScale)
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
            return std::pair { path, static_cast<float>(explicitScale) };
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
        // The first file that exists decides: a damaged @2x is not silently replaced by another picture.
        if (isRegularFile(candidate))
            return std::pair { candidate, static_cast<float>(scale) };
    }
    return std::nullopt;
}

bool UIImage::isOpaque() const
{
    if (opaque_ < 0)
        opaque_ = std::all_of(pixels().begin(), pixels().end(), [](std::uint32_t p) { return (p >> 24) == 0xffu; }) && !pixels_.empty() ? 1 : 0;
    return opaque_ == 1;
}

bool UIImage::writePNG(const std::string& path, std::string* error) const
{
    std::string why;
    UniqueFd file = SafeOutputFile::open(path, false, why);
    bool written = file && writePNG(file.get());
    if (file && !written)
        why = path + " could not be written";
    // Closed here, so that a failed close, which can be a failed write, is seen.
    if (written && file.close() != 0) {
        why = path + " could not be written (" + std::strerror(errno) + ")";
        written = false;
    }
    if (error)
        *error = written ? std::string() : why;
    return written;
}

namespace {
cairo_status_t writeToDescriptor(void* closure, const unsigned char* data, unsigned int length)
{
    const int fd = *static_cast<const int*>(closure);
    while (length > 0) {
        const ssize_t n = ::write(fd, data, length);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return CAIRO_STATUS_WRITE_ERROR;
        data += n;
        length -= static_cast<unsigned int>(n);
    }
    return CAIRO_STATUS_SUCCESS;
}
} // namespace

bool UIImage::writePNG(int fd) const
{
    if (fd < 0 || pixelWidth_ <= 0 || pixelHeight_ <= 0)
        return false;
    const int stride = cairo_format_stride_for_width(CAIRO_FORMAT_ARGB32, pixelWidth_);
    if (stride != pixelWidth_ * 4)
        return false;
    // Cairo only reads from the wrapped pixels here.
    auto* data = reinterpret_cast<unsigned char*>(const_cast<std::uint32_t*>(pixels().data()));
    const CairoSurface surface { cairo_image_surface_create_for_data(data, CAIRO_FORMAT_ARGB32, pixelWidth_, pixelHeight_, stride) };
    int target = fd;
    return cairo_surface_status(surface.get()) == CAIRO_STATUS_SUCCESS
        && cairo_surface_write_to_png_stream(surface.get(), &writeToDescriptor, &target) == CAIRO_STATUS_SUCCESS;
}

std::string UIImage::description() const
{
    char text[128];
    const CGSize points = size();
    std::snprintf(text, sizeof text, "<UIImage: %p>, {%g, %g}", static_cast<const void*>(this), static_cast<double>(points.width),
        static_cast<double>(points.height));
    return text;
}
