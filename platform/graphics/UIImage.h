#pragma once
#include "platform/graphics/CGGeometry.h"
#include "platform/runtime/NSObject.h"

#include <cstdint>
#include <future>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// A bitmap with a scale: its point size is its pixel size divided by the scale. Pixels are
// premultiplied ARGB32 in native byte order (Cairo's CAIRO_FORMAT_ARGB32), rows `stride` bytes apart.
class UIImage final : public NSObject {
public:
    UIImage(int pixelWidth, int pixelHeight, float scale, std::vector<std::uint32_t> pixels);
    // An image of known size whose pixels a worker is still decoding: the first question about
    // them waits for the decode and takes its pixels over. A decode that fails, or answers
    // another size, leaves every pixel transparent.
    UIImage(int pixelWidth, int pixelHeight, float scale, std::future<std::shared_ptr<UIImage>> decoding);

    // Reads a PNG; prefers name@2x.png / name@3x.png beside name.png to match the main screen's
    // scale. Null for a missing or unreadable file.
    static std::shared_ptr<UIImage> imageWithContentsOfFile(const std::string& path);
    // The same, choosing the variant for the given screen scale.
    static std::shared_ptr<UIImage> imageWithContentsOfFile(const std::string& path, float screenScale);
    // Reads a PNG at exactly this path with the given scale; null when it cannot be read. A file
    // read recently and unchanged since (same modification time and size) answers the same image.
    static std::shared_ptr<UIImage> imageWithPNGFile(const std::string& path, float scale);
    // Begins decoding, on a worker thread, the files imageWithContentsOfFile would read for these
    // paths at the main screen's scale, one after another; the first call that asks for one takes
    // the result, or an image whose pixels wait for it. Skips missing files and decoded ones.
    static void prefetchContentsOfFiles(const std::vector<std::string>& paths);

    CGSize size() const { return { static_cast<float>(pixelWidth_) / scale_, static_cast<float>(pixelHeight_) / scale_ }; }
    float scale() const { return scale_; }
    int pixelWidth() const { return pixelWidth_; }
    int pixelHeight() const { return pixelHeight_; }
    // One premultiplied ARGB32 pixel per element, row-major, pixelWidth() per row.
    const std::vector<std::uint32_t>& pixels() const
    {
        settle();
        return pixels_;
    }
    std::uint32_t pixelAt(int x, int y) const { return pixels()[static_cast<std::size_t>(y) * static_cast<std::size_t>(pixelWidth_) + static_cast<std::size_t>(x)]; }
    // Whether every pixel has alpha 255 (worked out once, at the first question).
    bool isOpaque() const;
    // Writes the image as a PNG into an existing folder, never through a link nor into a file or
    // folder of another user (see SafeOutputFile); false on failure, with the reason in error.
    bool writePNG(const std::string& path, std::string* error = nullptr) const;
    // Writes the image as a PNG to the open descriptor; false on failure.
    bool writePNG(int fd) const;

    GLYPHWARD_RUNTIME_CLASS(UIImage, NSObject);
    std::string description() const override;

private:
    // The file to read for a path at a screen scale, with the scale it is read at.
    static std::optional<std::pair<std::string, float>> fileForScale(const std::string& path, float screenScale);

    // Takes the pixels of a decode still under way (once, from whichever thread asks first).
    void settle() const;

    int pixelWidth_, pixelHeight_;
    float scale_;
    mutable std::future<std::shared_ptr<UIImage>> decoding_;
    mutable std::once_flag settled_;
    mutable std::vector<std::uint32_t> pixels_;
    mutable signed char opaque_ = -1; // -1: not yet known
};

// The bitmap-context functions. The context stack is per process; all of it runs on the main thread.
struct CGContext;
using CGContextRef = CGContext*;

// Opens a bitmap context of the size in points at scale 1 and makes it current.
void UIGraphicsBeginImageContext(CGSize size);
// Opens a bitmap context; a scale of 0 means the main screen's scale.
void UIGraphicsBeginImageContextWithOptions(CGSize size, bool opaque, float scale);
// The scale that drawing means by "the main screen's". Drawing knows nothing of screens: the
// screen passes its scale down when it becomes the main one. 1 until then.
float UIGraphicsMainScreenScale();
void UIGraphicsSetMainScreenScale(float scale);
// The current context: the top of the stack, or null.
CGContextRef UIGraphicsGetCurrentContext();
// An image of what the current bitmap context holds, or null when the current one is not a bitmap context.
std::shared_ptr<UIImage> UIGraphicsGetImageFromCurrentImageContext();
// Closes the bitmap context on top of the stack.
void UIGraphicsEndImageContext();

class UIColor;
void CGContextSetFillColorWithColor(CGContextRef context, const UIColor* color);
void CGContextSetStrokeColorWithColor(CGContextRef context, const UIColor* color);
void CGContextFillRect(CGContextRef context, CGRect rect);
