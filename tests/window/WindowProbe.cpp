// glyphward-window-probe: what the window test needs from the X display beyond xdotool.
//
//   compare X Y W H [--only x,y,w,h] [--except x,y,w,h] [--save FILE] REF.png...
//       grabs that part of the screen, scales each reference picture to its size and prints the
//       root-mean-square difference of the colours (0 same, 1 opposite) for each, on one line.
//       --only and --except are in the reference's pixels.
//   watch X Y W H SECONDS NEAR REF.png...
//       grabs that part of the screen again and again, printing a line of differences (as compare
//       does) for each grab, until the last reference is the nearest and within NEAR (exit 0) or
//       the seconds are over (exit 1). A moment that lasts only briefly is seen however busy the
//       machine is, as long as one grab falls inside it.
//   foreign X Y W H [--except x,y,w,h] [--save FILE] THEIRS.png OURS.png
//       grabs that part of the screen and prints how many of its pixels show the first picture
//       rather than the second: nearer to it, where the two pictures' colours are well apart.
//       --except is in the first picture's pixels; --save writes the grab with those pixels magenta.
//   resize IN.png W H OUT.png
//       writes the picture stretched to W × H pixels, as the host stretches a picture over its screen
//   close WINDOW           asks the window to close, as a window manager's close button does
//   minimise WINDOW / restore WINDOW
//                          marks the window hidden or shown in its window-manager state, as a
//                          window manager does when it minimises or restores it
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <cairo.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

struct Rect {
    int x = 0, y = 0, width = 0, height = 0;
    bool contains(double px, double py) const { return x <= px && px < x + width && y <= py && py < y + height; }
};

struct SurfaceDeleter {
    void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
};
using Surface = std::unique_ptr<cairo_surface_t, SurfaceDeleter>;

struct DisplayCloser {
    void operator()(Display* d) const { XCloseDisplay(d); }
};
using DisplayHandle = std::unique_ptr<Display, DisplayCloser>;

std::optional<long> number(std::string_view text)
{
    long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 0 == text.rfind("0x", 0) ? 16 : 10);
    if (text.empty() || error != std::errc {} || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

std::optional<Rect> rect(std::string_view text)
{
    Rect r;
    int* fields[] = { &r.x, &r.y, &r.width, &r.height };
    for (int i = 0; i < 4; ++i) {
        const auto comma = text.find(',');
        const auto value = number(text.substr(0, comma));
        if (!value || (i < 3) == (comma == std::string_view::npos))
            return std::nullopt;
        *fields[i] = static_cast<int>(*value);
        text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
    }
    return r;
}

Surface grab(Display* display, const Rect& area)
{
    XImage* image = XGetImage(display, DefaultRootWindow(display), area.x, area.y, static_cast<unsigned>(area.width),
        static_cast<unsigned>(area.height), AllPlanes, ZPixmap);
    if (!image)
        return nullptr;
    Surface surface { cairo_image_surface_create(CAIRO_FORMAT_RGB24, area.width, area.height) };
    unsigned char* data = cairo_image_surface_get_data(surface.get());
    const int stride = cairo_image_surface_get_stride(surface.get());
    for (int y = 0; y < area.height; ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(data + static_cast<std::ptrdiff_t>(y) * stride);
        for (int x = 0; x < area.width; ++x) {
            const unsigned long p = XGetPixel(image, x, y);
            const auto channel = [p](unsigned long mask) {
                int shift = 0;
                while (mask && !(mask & 1)) {
                    mask >>= 1;
                    ++shift;
                }
                return mask ? static_cast<std::uint32_t>(((p >> shift) & mask) * 255 / mask) : 0u;
            };
            row[x] = channel(image->red_mask) << 16 | channel(image->green_mask) << 8 | channel(image->blue_mask);
        }
    }
    XDestroyImage(image);
    cairo_surface_mark_dirty(surface.get());
    return surface;
}

// The reference picture drawn at the grab's size with bilinear filtering, as the window scales it.
Surface scaled(const std::string& path, int width, int height, double& sx, double& sy)
{
    Surface source { cairo_image_surface_create_from_png(path.c_str()) };
    if (cairo_surface_status(source.get()) != CAIRO_STATUS_SUCCESS)
        return nullptr;
    sx = static_cast<double>(width) / cairo_image_surface_get_width(source.get());
    sy = static_cast<double>(height) / cairo_image_surface_get_height(source.get());
    Surface target { cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height) };
    cairo_t* cr = cairo_create(target.get());
    cairo_scale(cr, sx, sy);
    cairo_set_source_surface(cr, source.get(), 0, 0);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_BILINEAR);
    cairo_pattern_set_extend(cairo_get_source(cr), CAIRO_EXTEND_PAD);
    cairo_paint(cr);
    cairo_destroy(cr);
    cairo_surface_flush(target.get());
    return target;
}

double difference(cairo_surface_t* a, cairo_surface_t* b, double sx, double sy, const std::optional<Rect>& only, const std::optional<Rect>& except)
{
    const int width = cairo_image_surface_get_width(a), height = cairo_image_surface_get_height(a);
    const unsigned char* pa = cairo_image_surface_get_data(a);
    const unsigned char* pb = cairo_image_surface_get_data(b);
    const int stride = cairo_image_surface_get_stride(a);
    double sum = 0;
    long count = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const double rx = (x + 0.5) / sx, ry = (y + 0.5) / sy;
            if ((only && !only->contains(rx, ry)) || (except && except->contains(rx, ry)))
                continue;
            for (int c = 0; c < 3; ++c) {
                const double d = (pa[y * stride + x * 4 + c] - pb[y * stride + x * 4 + c]) / 255.0;
                sum += d * d;
            }
            count += 3;
        }
    }
    return count ? std::sqrt(sum / static_cast<double>(count)) : 0;
}

int compare(Display* display, const std::vector<std::string_view>& args)
{
    std::optional<long> values[4];
    for (std::size_t i = 0; i < 4 && i < args.size(); ++i)
        values[i] = number(args[i]);
    if (args.size() < 5 || !values[0] || !values[1] || !values[2] || !values[3] || *values[2] <= 0 || *values[3] <= 0)
        return 2;
    const Rect area { static_cast<int>(*values[0]), static_cast<int>(*values[1]), static_cast<int>(*values[2]), static_cast<int>(*values[3]) };
    std::optional<Rect> only, except;
    std::string save;
    std::vector<std::string> references;
    for (std::size_t i = 4; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        if (arg != "--only" && arg != "--except" && arg != "--save") {
            references.emplace_back(arg);
            continue;
        }
        if (++i >= args.size())
            return 2;
        if (arg == "--save") {
            save = args[i];
            continue;
        }
        const auto r = rect(args[i]);
        if (!r)
            return 2;
        (arg == "--only" ? only : except) = r;
    }
    Surface shot = grab(display, area);
    if (!shot)
        return 1;
    if (!save.empty())
        cairo_surface_write_to_png(shot.get(), save.c_str());
    std::string line;
    for (const auto& reference : references) {
        double sx = 1, sy = 1;
        Surface picture = scaled(reference, area.width, area.height, sx, sy);
        if (!picture) {
            std::fprintf(stderr, "cannot read %s\n", reference.c_str());
            return 1;
        }
        char text[32];
        std::snprintf(text, sizeof text, "%s%.4f", line.empty() ? "" : " ", difference(shot.get(), picture.get(), sx, sy, only, except));
        line += text;
    }
    std::printf("%s\n", line.c_str());
    return 0;
}

// A channel this far apart (of 255) between the two references tells them apart at a pixel.
constexpr int kApart = 64;

int foreign(Display* display, const std::vector<std::string_view>& args)
{
    std::optional<long> values[4];
    for (std::size_t i = 0; i < 4 && i < args.size(); ++i)
        values[i] = number(args[i]);
    if (args.size() < 6 || !values[0] || !values[1] || !values[2] || !values[3] || *values[2] <= 0 || *values[3] <= 0)
        return 2;
    const Rect area { static_cast<int>(*values[0]), static_cast<int>(*values[1]), static_cast<int>(*values[2]), static_cast<int>(*values[3]) };
    std::optional<Rect> except;
    std::string save;
    for (std::size_t i = 4; i + 2 < args.size(); i += 2) {
        if (args[i] == "--except" && (except = rect(args[i + 1])))
            continue;
        if (args[i] != "--save")
            return 2;
        save = args[i + 1];
    }
    if (args.size() % 2)
        return 2;
    // --except is in the pixels of the first picture.
    double sx = 1, sy = 1, oursX = 1, oursY = 1;
    const std::string theirsPath(args[args.size() - 2]), oursPath(args.back());
    Surface theirs = scaled(theirsPath, area.width, area.height, sx, sy);
    Surface ours = scaled(oursPath, area.width, area.height, oursX, oursY);
    Surface shot = grab(display, area);
    if (!theirs || !ours || !shot) {
        std::fprintf(stderr, "cannot read %s or %s, or grab the screen\n", theirsPath.c_str(), oursPath.c_str());
        return 1;
    }
    const unsigned char* pt = cairo_image_surface_get_data(theirs.get());
    const unsigned char* po = cairo_image_surface_get_data(ours.get());
    cairo_surface_flush(shot.get());
    const unsigned char* ps = cairo_image_surface_get_data(shot.get());
    const int stride = cairo_image_surface_get_stride(shot.get());
    long count = 0;
    for (int y = 0; y < area.height; ++y) {
        for (int x = 0; x < area.width; ++x) {
            if (except && except->contains((x + 0.5) / sx, (y + 0.5) / sy))
                continue;
            const std::ptrdiff_t at = static_cast<std::ptrdiff_t>(y) * stride + x * 4;
            long toTheirs = 0, toOurs = 0;
            int apart = 0;
            for (int c = 0; c < 3; ++c) {
                const int s = ps[at + c], t = pt[at + c], o = po[at + c];
                toTheirs += (s - t) * (s - t);
                toOurs += (s - o) * (s - o);
                apart = std::max(apart, std::abs(t - o));
            }
            if (apart > kApart && toTheirs < toOurs) {
                ++count;
                auto* pixel = reinterpret_cast<std::uint32_t*>(cairo_image_surface_get_data(shot.get()) + at);
                *pixel = 0xff00ff;
            }
        }
    }
    if (!save.empty()) {
        cairo_surface_mark_dirty(shot.get());
        cairo_surface_write_to_png(shot.get(), save.c_str());
    }
    std::printf("%ld\n", count);
    return 0;
}

int watch(Display* display, const std::vector<std::string_view>& args)
{
    std::optional<long> values[4];
    for (std::size_t i = 0; i < 4 && i < args.size(); ++i)
        values[i] = number(args[i]);
    if (args.size() < 7 || !values[0] || !values[1] || !values[2] || !values[3] || *values[2] <= 0 || *values[3] <= 0)
        return 2;
    const Rect area { static_cast<int>(*values[0]), static_cast<int>(*values[1]), static_cast<int>(*values[2]), static_cast<int>(*values[3]) };
    const auto seconds = number(args[4]);
    double near = 0;
    const auto [end, error] = std::from_chars(args[5].data(), args[5].data() + args[5].size(), near);
    if (!seconds || error != std::errc {} || end != args[5].data() + args[5].size())
        return 2;
    // The references are scaled once: each grab costs only the grab and the comparisons.
    struct Reference {
        Surface picture;
        double sx = 1, sy = 1;
    };
    std::vector<Reference> references;
    for (std::size_t i = 6; i < args.size(); ++i) {
        Reference reference;
        reference.picture = scaled(std::string(args[i]), area.width, area.height, reference.sx, reference.sy);
        if (!reference.picture) {
            std::fprintf(stderr, "cannot read %s\n", std::string(args[i]).c_str());
            return 1;
        }
        references.push_back(std::move(reference));
    }
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(*seconds);
    while (std::chrono::steady_clock::now() < until) {
        Surface shot = grab(display, area);
        if (!shot)
            return 1;
        std::vector<double> found;
        for (const auto& reference : references)
            found.push_back(difference(shot.get(), reference.picture.get(), reference.sx, reference.sy, std::nullopt, std::nullopt));
        for (std::size_t i = 0; i < found.size(); ++i)
            std::printf("%s%.4f", i ? " " : "", found[i]);
        std::printf("\n");
        std::fflush(stdout);
        const double last = found.back();
        bool nearest = last <= near;
        for (std::size_t i = 0; i + 1 < found.size(); ++i)
            nearest = nearest && last < found[i];
        if (nearest)
            return 0;
    }
    return 1;
}

int resize(const std::vector<std::string_view>& args)
{
    const auto width = args.size() == 4 ? number(args[1]) : std::nullopt;
    const auto height = args.size() == 4 ? number(args[2]) : std::nullopt;
    if (!width || !height || *width <= 0 || *height <= 0)
        return 2;
    Surface source { cairo_image_surface_create_from_png(std::string(args[0]).c_str()) };
    if (cairo_surface_status(source.get()) != CAIRO_STATUS_SUCCESS) {
        std::fprintf(stderr, "cannot read %s\n", std::string(args[0]).c_str());
        return 1;
    }
    Surface target { cairo_image_surface_create(CAIRO_FORMAT_RGB24, static_cast<int>(*width), static_cast<int>(*height)) };
    cairo_t* cr = cairo_create(target.get());
    cairo_scale(cr, static_cast<double>(*width) / cairo_image_surface_get_width(source.get()),
        static_cast<double>(*height) / cairo_image_surface_get_height(source.get()));
    cairo_set_source_surface(cr, source.get(), 0, 0);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_GOOD);
    cairo_pattern_set_extend(cairo_get_source(cr), CAIRO_EXTEND_PAD);
    cairo_paint(cr);
    cairo_destroy(cr);
    return cairo_surface_write_to_png(target.get(), std::string(args[3]).c_str()) == CAIRO_STATUS_SUCCESS ? 0 : 1;
}

int close(Display* display, Window window)
{
    XEvent event {};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
    XFlush(display);
    return 0;
}

int setHidden(Display* display, Window window, bool hidden)
{
    const Atom state = XInternAtom(display, "_NET_WM_STATE", False);
    const Atom flag = XInternAtom(display, "_NET_WM_STATE_HIDDEN", False);
    XChangeProperty(display, window, state, XA_ATOM, 32, PropModeReplace, reinterpret_cast<const unsigned char*>(&flag), hidden ? 1 : 0);
    XFlush(display);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string_view> args(argv + 1, argv + argc);
    if (args.empty())
        return 2;
    if (args.front() == "resize")
        return resize({ args.begin() + 1, args.end() });
    DisplayHandle display { XOpenDisplay(nullptr) };
    if (!display) {
        std::fprintf(stderr, "glyphward-window-probe: no display\n");
        return 1;
    }
    const std::string_view command = args.front();
    args.erase(args.begin());
    if (command == "compare")
        return compare(display.get(), args);
    if (command == "watch")
        return watch(display.get(), args);
    if (command == "foreign")
        return foreign(display.get(), args);
    const auto window = args.size() == 1 ? number(args[0]) : std::nullopt;
    if (!window)
        return 2;
    if (command == "close")
        return close(display.get(), static_cast<Window>(*window));
    if (command == "minimise" || command == "restore")
        return setHidden(display.get(), static_cast<Window>(*window), command == "minimise");
    return 2;
}
