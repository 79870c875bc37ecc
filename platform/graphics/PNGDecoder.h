#pragma once
// Turns the bytes of a PNG file into a UIImage: opaque 8-bit RGB pictures straight from libpng
// into the image's pixels, everything else through Cairo's reader.
#include <functional>
#include <memory>
#include <string>
#include <vector>

class UIImage;

class PNGDecoder {
public:
    // Asked between reads of the file's bytes (every few kilobytes of pixels); true ends the
    // decode with no image. Empty never stops.
    using ShouldStop = std::function<bool()>;

    // The PNG at this path at the given scale; null for a missing, oversized or damaged file,
    // and for a decode told to stop.
    static std::shared_ptr<UIImage> decodeFile(const std::string& path, float scale, const ShouldStop& shouldStop = {});
    // The file's bytes, or none when it cannot be read or is larger than any picture we take.
    static bool readFile(const std::string& path, std::vector<unsigned char>& bytes);
    // The pixel size the file's header announces, when the header is sound; reads nothing more.
    static bool readSize(const std::string& path, int& width, int& height);
    // Decodes the bytes by the fastest path that applies; null when they are not a sound PNG.
    static std::shared_ptr<UIImage> decode(const std::vector<unsigned char>& bytes, float scale, const ShouldStop& shouldStop = {});
    // Cairo's reader, for any PNG it takes; null when it refuses the bytes.
    static std::shared_ptr<UIImage> decodeWithCairo(const std::vector<unsigned char>& bytes, float scale, const ShouldStop& shouldStop = {});
    // libpng straight into the pixels, for 8-bit RGB without transparency only. `applies` says
    // whether the bytes were such a picture; when it is false the result is null and another
    // reader must decide.
    static std::shared_ptr<UIImage> decodeOpaque(const std::vector<unsigned char>& bytes, float scale, bool& applies, const ShouldStop& shouldStop = {});
};
