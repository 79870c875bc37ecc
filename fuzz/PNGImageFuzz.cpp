// Arbitrary bytes as a PNG file, opened as the lock opens its pictures.
#include "fuzz/FuzzSupport.h"
#include "platform/graphics/UIImage.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const std::string path = fuzz::privateRoot() + "/fuzz-image.png";
    fuzz::quietLogs();
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    const auto image = UIImage::imageWithContentsOfFile(path);
    if (!image)
        return 0;
    const CGSize s = image->size();
    if (!(s.width > 0) || !(s.height > 0))
        std::abort();
    // Every pixel the size promises is there: read the corners.
    const int w = image->pixelWidth(), h = image->pixelHeight();
    volatile std::uint32_t sum = image->pixelAt(0, 0) + image->pixelAt(w - 1, h - 1) + image->pixelAt(w - 1, 0) + image->pixelAt(0, h - 1);
    (void)sum;
    return 0;
}
