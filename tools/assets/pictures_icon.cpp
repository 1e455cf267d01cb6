// The desktop icon: the show's initial as gold chrome on the title's dark
// field with its floor grid, in a rounded square on full transparency.

#include <cmath>

#include "tools/assets/canvas.h"
#include "tools/assets/paint.h"
#include "tools/assets/pictures.h"

namespace assets::pictures {

namespace {

constexpr int S = 256;           // icon edge, pixels
constexpr double corner = 44;    // radius of the rounded square's corners
constexpr double inset = 8;      // margin between the square and the picture's edge

// The rounded square as a path on cr.
void rounded_square(cairo_t* cr) {
    const double a = inset, b = S - inset, r = corner;
    cairo_new_path(cr);
    cairo_arc(cr, b - r, a + r, r, -pi / 2, 0);
    cairo_arc(cr, b - r, b - r, r, 0, pi / 2);
    cairo_arc(cr, a + r, b - r, r, pi / 2, pi);
    cairo_arc(cr, a + r, a + r, r, pi, 3 * pi / 2);
    cairo_close_path(cr);
}

}  // namespace

image icon() {
    // The field: violet at the centre into near black, a pink grid on the floor.
    const image field = fill(S, S, [](int x, int y) {
        const double cx = (x - 128.0) / 128.0, cy = (y - 110.0) / 128.0;
        rgba col = mix(hex(0x2a0c48), hex(0x05020c), clamp01(std::sqrt(cx * cx + cy * cy)));
        if (y > 168) {
            const double depth = 36.0 / (y - 156.0);
            const double gx = (x - 128.0) * depth / 7.0, gz = depth * 4;
            const bool line = std::fabs(gx - std::round(gx)) < 0.04 * depth + 0.02 ||
                              std::fabs(gz - std::round(gz)) < 0.05;
            if (line) col = add(col, scale(hex(0xff40a0), 0.7 * clamp01(1.4 - depth * 0.5)));
        }
        return opaque(col);
    });
    canvas art(field);
    text_style letter;
    letter.face = font::display;
    letter.size = 230;
    canvas glow(S, S);
    glow.text_path_centred("V", letter, 128, 118);
    cairo_set_line_width(glow.cr(), 14);
    set_colour(glow.cr(), hex(0xff5a20));
    cairo_stroke_preserve(glow.cr());
    cairo_fill(glow.cr());
    glow.blur(9);
    art.composite(glow, 1.0, CAIRO_OPERATOR_ADD);
    cairo_t* cr = art.cr();
    cairo_new_path(cr);
    art.text_path_centred("V", letter, 128, 118);
    chrome_fill(cr, 30, 206, 0xfff8d8, 0xffb040, 0x8a3a10);
    cairo_set_line_width(cr, 3);
    set_colour(cr, hex(0x2a0a00));
    cairo_stroke(cr);

    // The picture cut to the rounded square, with a thin light rim.
    canvas out(S, S);
    cairo_t* o = out.cr();
    rounded_square(o);
    cairo_set_source_surface(o, art.surface(), 0, 0);
    cairo_fill_preserve(o);
    cairo_set_line_width(o, 3);
    set_colour(o, hex(0xff80c0, 0.8));
    cairo_stroke(o);
    return out.to_image();
}

}  // namespace assets::pictures
