// Renders the lock bundle's pictures: the two node images and the background, each at
// 1x, 2x and 3x. A build tool: it draws with Cairo directly and writes PNGs into one folder.
//
//   glyphward-image-generator OUTPUT_DIR
#include <cairo.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>

namespace {

constexpr double kNodePoints = 66.0;
// The background is drawn for the commonest phone screen, 390 × 844 points: there it is shown as
// decoded, and other screens scale it (it is a soft gradient, which scales without artefacts).
constexpr double kBackgroundWidth = 390.0;
constexpr double kBackgroundHeight = 844.0;
constexpr double kPi = 3.14159265358979323846;

// The orange the lock screen uses for its text and trail, so a selected node belongs to them.
constexpr double kOrange[3] = { 1.0, 0.5, 0.0 };

using Painter = std::function<void(cairo_t*, double width, double height)>;

struct SurfaceDestroy {
    void operator()(cairo_surface_t* surface) const { cairo_surface_destroy(surface); }
};
struct ContextDestroy {
    void operator()(cairo_t* cr) const { cairo_destroy(cr); }
};
struct PatternDestroy {
    void operator()(cairo_pattern_t* pattern) const { cairo_pattern_destroy(pattern); }
};
using Pattern = std::unique_ptr<cairo_pattern_t, PatternDestroy>;

bool writeImage(const std::string& path, double pointsWide, double pointsHigh, int scale, const Painter& paint)
{
    int pixelsWide = static_cast<int>(std::lround(pointsWide * scale));
    int pixelsHigh = static_cast<int>(std::lround(pointsHigh * scale));
    const std::unique_ptr<cairo_surface_t, SurfaceDestroy> surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, pixelsWide, pixelsHigh));
    {
        const std::unique_ptr<cairo_t, ContextDestroy> cr(cairo_create(surface.get()));
        // Paint in points; the scale makes the 2x and 3x files the same picture with finer pixels.
        cairo_scale(cr.get(), scale, scale);
        paint(cr.get(), pointsWide, pointsHigh);
    }
    cairo_surface_flush(surface.get());
    cairo_status_t status = cairo_surface_write_to_png(surface.get(), path.c_str());
    if (status != CAIRO_STATUS_SUCCESS) {
        std::fprintf(stderr, "cannot write %s: %s\n", path.c_str(), cairo_status_to_string(status));
        return false;
    }
    return true;
}

void paintNormalNode(cairo_t* cr, double w, double h)
{
    double cx = w / 2, cy = h / 2, radius = w / 2 - 3.0;
    // A faint disc makes the ring read as a target even on a light picture behind it.
    cairo_arc(cr, cx, cy, radius, 0, 2 * kPi);
    cairo_set_source_rgba(cr, 1, 1, 1, 0.06);
    cairo_fill_preserve(cr);
    cairo_set_line_width(cr, 2.0);
    cairo_set_source_rgba(cr, 0.86, 0.89, 0.93, 0.85);
    cairo_stroke(cr);
}

void paintSelectedNode(cairo_t* cr, double w, double h)
{
    double cx = w / 2, cy = h / 2, radius = w / 2 - 3.0;
    cairo_arc(cr, cx, cy, radius, 0, 2 * kPi);
    cairo_set_source_rgba(cr, kOrange[0], kOrange[1], kOrange[2], 0.18);
    cairo_fill_preserve(cr);
    cairo_set_line_width(cr, 2.5);
    cairo_set_source_rgba(cr, kOrange[0], kOrange[1], kOrange[2], 1.0);
    cairo_stroke(cr);
    cairo_arc(cr, cx, cy, radius * 0.36, 0, 2 * kPi);
    cairo_set_source_rgba(cr, kOrange[0], kOrange[1], kOrange[2], 1.0);
    cairo_fill(cr);
}

void paintBackground(cairo_t* cr, double w, double h)
{
    // A calm slate gradient, darker at the bottom, with a soft glow behind the grid.
    const Pattern linear(cairo_pattern_create_linear(0, 0, 0, h));
    cairo_pattern_add_color_stop_rgb(linear.get(), 0.0, 0.13, 0.16, 0.21);
    cairo_pattern_add_color_stop_rgb(linear.get(), 1.0, 0.04, 0.05, 0.08);
    cairo_set_source(cr, linear.get());
    cairo_paint(cr);

    const Pattern glow(cairo_pattern_create_radial(w / 2, h * 0.52, 0, w / 2, h * 0.52, w * 0.75));
    cairo_pattern_add_color_stop_rgba(glow.get(), 0.0, 0.35, 0.45, 0.60, 0.16);
    cairo_pattern_add_color_stop_rgba(glow.get(), 1.0, 0.35, 0.45, 0.60, 0.0);
    cairo_set_source(cr, glow.get());
    cairo_paint(cr);
}

struct Picture {
    const char* name;
    double width, height;
    Painter paint;
};

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_DIR\n", argc > 0 ? argv[0] : "glyphward-image-generator");
        return 2;
    }
    const std::string folder = argv[1];
    const Picture pictures[] = {
        { "gesture_node_normal", kNodePoints, kNodePoints, paintNormalNode },
        { "gesture_node_selected", kNodePoints, kNodePoints, paintSelectedNode },
        { "bg", kBackgroundWidth, kBackgroundHeight, paintBackground },
    };
    for (const Picture& picture : pictures) {
        for (int scale = 1; scale <= 3; ++scale) {
            std::string suffix = scale == 1 ? "" : "@" + std::to_string(scale) + "x";
            std::string path = folder + "/" + picture.name + suffix + ".png";
            if (!writeImage(path, picture.width, picture.height, scale, picture.paint))
                return 1;
        }
    }
    return 0;
}
