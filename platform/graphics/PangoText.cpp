#include "platform/graphics/PangoText.h"

#include "platform/graphics/CGContext.h"
#include "platform/graphics/GraphicsState.h"
#include "platform/graphics/TextLayoutCache.h"
#include "platform/graphics/UIFont.h"

#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>
#include <memory>

namespace {

struct ObjectUnref {
    void operator()(gpointer object) const { g_object_unref(object); }
};
using Layout = std::unique_ptr<PangoLayout, ObjectUnref>;

struct FontDescriptionFree {
    void operator()(PangoFontDescription* description) const { pango_font_description_free(description); }
};
struct AttributesUnref {
    void operator()(PangoAttrList* attributes) const { pango_attr_list_unref(attributes); }
};
struct TextFree {
    void operator()(gchar* text) const { g_free(text); }
};

std::string validUTF8(const std::string& text)
{
    if (g_utf8_validate(text.data(), static_cast<gssize>(text.size()), nullptr))
        return text;
    const std::unique_ptr<gchar, TextFree> repaired(g_utf8_make_valid(text.data(), static_cast<gssize>(text.size())));
    return repaired ? repaired.get() : "";
}

// Chinese text gets the Chinese face first and the zh-cn language, so shared Han code points take
// their simplified Chinese forms; other text keeps the Latin face and falls back for anything missing.
void configure(PangoLayout* layout, const std::string& text, const UIFont* font)
{
    const bool chinese = PangoText::containsCJK(text);
    const double size = font && std::isfinite(font->pointSize()) && font->pointSize() > 0 ? font->pointSize() : 17.0;
    std::string family = font && !font->isSystemFont() ? font->familyName() + ", " : std::string {};
    family += chinese ? std::string(UIFont::kChineseFamily) + ", " + UIFont::kSystemFamily
                      : std::string(UIFont::kSystemFamily) + ", " + UIFont::kChineseFamily;

    const std::unique_ptr<PangoFontDescription, FontDescriptionFree> description(pango_font_description_new());
    pango_font_description_set_family(description.get(), family.c_str());
    pango_font_description_set_absolute_size(description.get(), size * PANGO_SCALE);
    pango_layout_set_font_description(layout, description.get());

    const std::unique_ptr<PangoAttrList, AttributesUnref> attributes(pango_attr_list_new());
    pango_attr_list_insert(attributes.get(), pango_attr_language_new(pango_language_from_string(chinese ? "zh-cn" : "en")));
    pango_layout_set_attributes(layout, attributes.get());

    // Metrics that do not depend on the device scale, so a label lays out the same at 1x and 2x.
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
    pango_cairo_context_set_font_options(pango_layout_get_context(layout), options);
    cairo_font_options_destroy(options);
    pango_layout_context_changed(layout);
    pango_layout_set_text(layout, text.c_str(), static_cast<int>(text.size()));
}

// Keeps only the first `lines` lines of a wrapped layout by cutting the text after the last of them.
void keepLines(PangoLayout* layout, int lines)
{
    if (lines <= 0 || pango_layout_get_line_count(layout) <= lines)
        return;
    PangoLayoutLine* last = pango_layout_get_line_readonly(layout, lines - 1);
    const char* text = pango_layout_get_text(layout);
    std::string kept(text, static_cast<std::size_t>(last->start_index + last->length));
    while (!kept.empty() && (kept.back() == '\n' || kept.back() == ' '))
        kept.pop_back();
    pango_layout_set_text(layout, kept.c_str(), static_cast<int>(kept.size()));
}

} // namespace

bool PangoText::containsCJK(const std::string& text)
{
    const std::string valid = validUTF8(text);
    for (const gchar* p = valid.c_str(); *p; p = g_utf8_next_char(p)) {
        const gunichar c = g_utf8_get_char(p);
        if ((c >= 0x2E80 && c <= 0x9FFF) || (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFF00 && c <= 0xFFEF) || (c >= 0x20000 && c <= 0x3FFFF))
            return true;
    }
    return false;
}

CGSize PangoText::measure(const std::string& text, const UIFont* font)
{
    const CairoSurface surface { cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1) };
    const CairoContext cr { cairo_create(surface.get()) };
    const Layout layout(pango_cairo_create_layout(cr.get()));
    configure(layout.get(), validUTF8(text), font);
    PangoRectangle logical;
    pango_layout_get_extents(layout.get(), nullptr, &logical);
    return { static_cast<CGFloat>(logical.width) / PANGO_SCALE, static_cast<CGFloat>(logical.height) / PANGO_SCALE };
}

namespace {

// Sets the layout's alignment, width and line breaking for the rectangle; answers how far right
// of the rectangle's edge the layout starts (only clipped text is placed by hand).
double arrange(PangoLayout* layout, CGRect rect, PangoText::Style style)
{
    const int width = static_cast<int>(std::lround(static_cast<double>(rect.size.width) * PANGO_SCALE));
    pango_layout_set_single_paragraph_mode(layout, style.numberOfLines == 1);
    switch (style.alignment) {
    case 1: pango_layout_set_alignment(layout, PANGO_ALIGN_CENTER); break;
    case 2: pango_layout_set_alignment(layout, PANGO_ALIGN_RIGHT); break;
    default: pango_layout_set_alignment(layout, PANGO_ALIGN_LEFT); break;
    }

    switch (style.lineBreakMode) {
    case 2: {
        // Clipping: unwrapped lines placed by the alignment, cut at the rectangle's edges.
        pango_layout_set_width(layout, -1);
        keepLines(layout, style.numberOfLines);
        PangoRectangle logical;
        pango_layout_get_extents(layout, nullptr, &logical);
        const double slack = rect.size.width - static_cast<double>(logical.width) / PANGO_SCALE;
        return style.alignment == 1 ? slack / 2 : style.alignment == 2 ? slack : 0;
    }
    case 3:
    case 4:
    case 5:
        pango_layout_set_width(layout, width);
        pango_layout_set_wrap(layout, PANGO_WRAP_WORD_CHAR);
        pango_layout_set_ellipsize(layout, style.lineBreakMode == 3 ? PANGO_ELLIPSIZE_START
                : style.lineBreakMode == 5                          ? PANGO_ELLIPSIZE_MIDDLE
                                                                    : PANGO_ELLIPSIZE_END);
        // A negative height is a line count: the last allowed line carries the ellipsis.
        pango_layout_set_height(layout, style.numberOfLines > 0 ? -style.numberOfLines : -1000000);
        return 0;
    default:
        // Word or character wrapping; with a line limit the lines past it are dropped whole.
        pango_layout_set_width(layout, width);
        pango_layout_set_wrap(layout, style.lineBreakMode == 1 ? PANGO_WRAP_CHAR : PANGO_WRAP_WORD_CHAR);
        keepLines(layout, style.numberOfLines);
        return 0;
    }
}

} // namespace

void PangoText::draw(cairo_t* cr, const std::string& rawText, const UIFont* font, const CGColorComponents& color, CGRect rect, Style style)
{
    if (rawText.empty() || !CGFloatsAreFinite({ rect.origin.x, rect.origin.y, rect.size.width, rect.size.height }) || rect.size.width <= 0
        || rect.size.height <= 0)
        return;
    // The same label drawn again through the same matrix lays out the same: it is laid out once.
    TextLayoutCache::Key key;
    key.text = rawText;
    key.family = font ? font->familyName() : std::string("\n");
    key.size = font ? font->pointSize() : 0;
    key.alignment = style.alignment;
    key.lineBreakMode = style.lineBreakMode;
    key.numberOfLines = style.numberOfLines;
    key.width = rect.size.width;
    cairo_matrix_t m;
    cairo_get_matrix(cr, &m);
    const double matrix[6] = { m.xx, m.yx, m.xy, m.yy, m.x0, m.y0 };
    std::copy(std::begin(matrix), std::end(matrix), key.matrix);
    key.surfaceType = static_cast<int>(cairo_surface_get_type(cairo_get_target(cr)));
    TextLayoutCache& layouts = GraphicsState::current().textLayouts();
    TextLayoutCache::Laid laid = layouts.find(key);
    Layout holder;
    if (laid.layout) {
        pango_cairo_update_layout(cr, laid.layout);
    } else {
        holder.reset(pango_cairo_create_layout(cr));
        configure(holder.get(), validUTF8(rawText), font);
        laid = { holder.get(), arrange(holder.get(), rect, style) };
        layouts.keep(std::move(key), laid);
    }
    PangoLayout* layout = laid.layout;
    const double offsetX = laid.offsetX;

    PangoRectangle logical;
    pango_layout_get_extents(layout, nullptr, &logical);
    const double textHeight = static_cast<double>(logical.height) / PANGO_SCALE;
    const double y = rect.origin.y + (rect.size.height - textHeight) / 2;

    cairo_save(cr);
    cairo_rectangle(cr, rect.origin.x, rect.origin.y, rect.size.width, rect.size.height);
    cairo_clip(cr);
    cairo_set_source_rgba(cr, color.red, color.green, color.blue, color.alpha);
    cairo_move_to(cr, rect.origin.x + offsetX, y);
    pango_cairo_show_layout(cr, layout);
    cairo_restore(cr);
}
