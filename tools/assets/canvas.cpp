// Cairo and pango drawing with a fixed set of font files.

#include "tools/assets/canvas.h"

#include "tools/assets/paint.h"

#include <fontconfig/fontconfig.h>
#include <pango/pangocairo.h>
#include <pango/pangofc-fontmap.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <vector>

namespace assets {

namespace {

struct font_file {
    font face;
    const char* path;
    const char* family;
    PangoWeight weight;
};

// The only fonts the pictures use, all from Debian packages (fonts-bebas-neue,
// fonts-inter, fonts-dejavu-core).
const font_file font_files[] = {
    {font::display, "/usr/share/fonts/opentype/bebas-neue/BebasNeue-Regular.otf", "Bebas Neue",
     PANGO_WEIGHT_NORMAL},
    {font::sans, "/usr/share/fonts/opentype/inter/Inter-Medium.otf", "Inter", PANGO_WEIGHT_MEDIUM},
    {font::sans_light, "/usr/share/fonts/opentype/inter/Inter-Light.otf", "Inter",
     PANGO_WEIGHT_LIGHT},
    {font::sans_bold, "/usr/share/fonts/opentype/inter/Inter-Bold.otf", "Inter", PANGO_WEIGHT_BOLD},
    {font::sans_black, "/usr/share/fonts/opentype/inter/Inter-Black.otf", "Inter",
     PANGO_WEIGHT_HEAVY},
    {font::mono, "/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf", "DejaVu Sans Mono",
     PANGO_WEIGHT_NORMAL},
};

PangoFontMap* font_map = nullptr;
PangoContext* font_context = nullptr;

const font_file& file_of(font face) {
    for (const font_file& f : font_files)
        if (f.face == face) return f;
    return font_files[0];
}

PangoFontDescription* describe(const text_style& style) {
    const font_file& f = file_of(style.face);
    PangoFontDescription* d = pango_font_description_new();
    pango_font_description_set_family(d, f.family);
    pango_font_description_set_weight(d, f.weight);
    pango_font_description_set_absolute_size(d, style.size * PANGO_SCALE);
    return d;
}

PangoLayout* make_layout(cairo_t* cr, const std::string& text, const text_style& style) {
    pango_cairo_update_context(cr, font_context);
    PangoLayout* layout = pango_layout_new(font_context);
    PangoFontDescription* d = describe(style);
    pango_layout_set_font_description(layout, d);
    pango_font_description_free(d);
    if (style.spacing != 0) {
        PangoAttrList* attrs = pango_attr_list_new();
        pango_attr_list_insert(attrs,
                               pango_attr_letter_spacing_new(static_cast<int>(style.spacing * PANGO_SCALE)));
        pango_layout_set_attributes(layout, attrs);
        pango_attr_list_unref(attrs);
    }
    pango_layout_set_text(layout, text.c_str(), -1);
    return layout;
}

// Moves the current point so that the layout's ink box is centred on (cx, cy).
void move_to_centre(cairo_t* cr, PangoLayout* layout, double cx, double cy) {
    PangoRectangle ink, logical;
    pango_layout_get_extents(layout, &ink, &logical);
    const double x = cx - (ink.x + ink.width / 2.0) / PANGO_SCALE;
    const double y = cy - (ink.y + ink.height / 2.0) / PANGO_SCALE;
    cairo_move_to(cr, x, y);
}

}  // namespace

bool init_fonts(std::string& error) {
    if (font_context != nullptr) return true;
    FcConfig* config = FcConfigCreate();
    for (const font_file& f : font_files) {
        if (!std::filesystem::exists(f.path)) {
            error = std::string("font file missing: ") + f.path +
                    " (install fonts-bebas-neue, fonts-inter, fonts-dejavu-core)";
            return false;
        }
        if (!FcConfigAppFontAddFile(config, reinterpret_cast<const FcChar8*>(f.path))) {
            error = std::string("fontconfig cannot read ") + f.path;
            return false;
        }
    }
    font_map = pango_cairo_font_map_new_for_font_type(CAIRO_FONT_TYPE_FT);
    if (font_map == nullptr) {
        error = "pango has no FreeType font map";
        return false;
    }
    pango_fc_font_map_set_config(PANGO_FC_FONT_MAP(font_map), config);
    FcConfigDestroy(config);  // the font map holds its own reference
    font_context = pango_font_map_create_context(font_map);
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    pango_cairo_context_set_font_options(font_context, options);
    cairo_font_options_destroy(options);
    pango_context_set_round_glyph_positions(font_context, FALSE);

    // Every face must resolve to its own file's family, never to a fallback.
    for (const font_file& f : font_files) {
        text_style style;
        style.face = f.face;
        PangoFontDescription* d = describe(style);
        PangoFont* loaded = pango_font_map_load_font(font_map, font_context, d);
        pango_font_description_free(d);
        if (loaded == nullptr) {
            error = std::string("cannot load font ") + f.path;
            return false;
        }
        PangoFontDescription* got = pango_font_describe(loaded);
        const char* family = pango_font_description_get_family(got);
        const bool same = family != nullptr && std::strcmp(family, f.family) == 0 &&
                          pango_font_description_get_weight(got) == f.weight;
        pango_font_description_free(got);
        g_object_unref(loaded);
        if (!same) {
            error = std::string("font ") + f.path + " does not provide " + f.family;
            return false;
        }
    }
    return true;
}

canvas::canvas(int width, int height) : width_(width), height_(height) {
    surface_ = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    cr_ = cairo_create(surface_);
    cairo_set_antialias(cr_, CAIRO_ANTIALIAS_GRAY);
}

canvas::canvas(const image& background) : canvas(background.width, background.height) {
    cairo_surface_flush(surface_);
    unsigned char* data = cairo_image_surface_get_data(surface_);
    const int stride = cairo_image_surface_get_stride(surface_);
    for (int y = 0; y < height_; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(data + static_cast<size_t>(y) * stride);
        for (int x = 0; x < width_; ++x) {
            const uint8_t* p = background.at(x, y);
            const uint32_t a = p[3];
            auto pre = [a](uint32_t c) { return (c * a + 127) / 255; };
            row[x] = a << 24 | pre(p[0]) << 16 | pre(p[1]) << 8 | pre(p[2]);
        }
    }
    cairo_surface_mark_dirty(surface_);
}

canvas::~canvas() {
    cairo_destroy(cr_);
    cairo_surface_destroy(surface_);
}

text_box canvas::measure(const std::string& text, const text_style& style) {
    PangoLayout* layout = make_layout(cr_, text, style);
    PangoRectangle ink, logical;
    pango_layout_get_extents(layout, &ink, &logical);
    g_object_unref(layout);
    return {static_cast<double>(ink.width) / PANGO_SCALE, static_cast<double>(ink.height) / PANGO_SCALE};
}

void canvas::text_path_centred(const std::string& text, const text_style& style, double cx,
                               double cy) {
    PangoLayout* layout = make_layout(cr_, text, style);
    move_to_centre(cr_, layout, cx, cy);
    pango_cairo_layout_path(cr_, layout);
    g_object_unref(layout);
}

void canvas::text_centred(const std::string& text, const text_style& style, double cx, double cy) {
    cairo_save(cr_);
    cairo_new_path(cr_);
    text_path_centred(text, style, cx, cy);
    if (style.outline > 0) {
        set_colour(cr_, style.outline_colour);
        cairo_set_line_width(cr_, style.outline * 2);
        cairo_set_line_join(cr_, CAIRO_LINE_JOIN_ROUND);
        cairo_stroke_preserve(cr_);
    }
    set_colour(cr_, style.colour);
    cairo_fill(cr_);
    cairo_restore(cr_);
}

void canvas::blur(int radius, bool wrap) {
    if (radius <= 0) return;
    cairo_surface_flush(surface_);
    unsigned char* data = cairo_image_surface_get_data(surface_);
    const int stride = cairo_image_surface_get_stride(surface_);
    std::vector<uint32_t> line(static_cast<size_t>(std::max(width_, height_)) * 4);
    // One box pass over a run of n samples spaced step bytes apart, all four
    // channels, integer sums (clamped at the ends).
    auto index = [wrap](int i, int n) {
        return static_cast<size_t>(wrap ? ((i % n) + n) % n : std::clamp(i, 0, n - 1));
    };
    auto pass = [&](unsigned char* start, int n, int step) {
        for (int c = 0; c < 4; ++c) {
            for (int i = 0; i < n; ++i) line[static_cast<size_t>(i)] = start[i * step + c];
            uint32_t sum = 0;
            const int window = 2 * radius + 1;
            for (int k = -radius; k <= radius; ++k) sum += line[index(k, n)];
            for (int i = 0; i < n; ++i) {
                start[i * step + c] = static_cast<unsigned char>((sum + window / 2) / window);
                sum += line[index(i + radius + 1, n)];
                sum -= line[index(i - radius, n)];
            }
        }
    };
    for (int repeat = 0; repeat < 3; ++repeat) {
        for (int y = 0; y < height_; ++y) pass(data + static_cast<size_t>(y) * stride, width_, 4);
        for (int x = 0; x < width_; ++x) pass(data + static_cast<size_t>(x) * 4, height_, stride);
    }
    cairo_surface_mark_dirty(surface_);
}

void canvas::composite(canvas& top, double opacity, cairo_operator_t op) {
    cairo_save(cr_);
    cairo_set_operator(cr_, op);
    cairo_set_source_surface(cr_, top.surface(), 0, 0);
    cairo_paint_with_alpha(cr_, opacity);
    cairo_restore(cr_);
}

image canvas::to_image() {
    cairo_surface_flush(surface_);
    const unsigned char* data = cairo_image_surface_get_data(surface_);
    const int stride = cairo_image_surface_get_stride(surface_);
    image out(width_, height_);
    for (int y = 0; y < height_; ++y) {
        const auto* row = reinterpret_cast<const uint32_t*>(data + static_cast<size_t>(y) * stride);
        for (int x = 0; x < width_; ++x) {
            const uint32_t p = row[x];
            const uint32_t a = p >> 24;
            uint8_t* q = out.at(x, y);
            if (a == 0) {
                q[0] = q[1] = q[2] = q[3] = 0;
                continue;
            }
            auto straight = [a](uint32_t c) {
                return static_cast<uint8_t>(std::min<uint32_t>(255, (c * 255 + a / 2) / a));
            };
            q[0] = straight((p >> 16) & 0xff);
            q[1] = straight((p >> 8) & 0xff);
            q[2] = straight(p & 0xff);
            q[3] = static_cast<uint8_t>(a);
        }
    }
    return out;
}

void glowing_text(canvas& target, const std::string& text, const text_style& style, double cx,
                  double cy, const rgba& glow_colour, int glow_radius, double glow_strength) {
    canvas glow(target.width(), target.height());
    text_style halo = style;
    halo.colour = glow_colour;
    halo.outline = std::max(style.outline, glow_radius * 0.35);
    halo.outline_colour = glow_colour;
    glow.text_centred(text, halo, cx, cy);
    glow.blur(glow_radius);
    target.composite(glow, glow_strength);
    target.text_centred(text, style, cx, cy);
}

void chrome_fill(cairo_t* cr, double top, double bottom, unsigned a, unsigned b, unsigned c) {
    cairo_pattern_t* g = cairo_pattern_create_linear(0, top, 0, bottom);
    const rgba ca = hex(a), cb = hex(b), cc = hex(c);
    cairo_pattern_add_color_stop_rgb(g, 0.0, ca.r, ca.g, ca.b);
    cairo_pattern_add_color_stop_rgb(g, 0.48, cb.r, cb.g, cb.b);
    cairo_pattern_add_color_stop_rgb(g, 0.52, cc.r, cc.g, cc.b);
    cairo_pattern_add_color_stop_rgb(g, 1.0, ca.r, ca.g, ca.b);
    cairo_set_source(cr, g);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(g);
}

}  // namespace assets
