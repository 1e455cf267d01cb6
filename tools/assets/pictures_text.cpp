// Text and shape pictures: the title logo, the credit names and their masks,
// the greetings, the lyric lines, the end-screen picture and the vault door
// of the swirling tunnel. All but the logo and the masks lie on full
// transparency: the effects weight them by their alpha.

#include <cmath>
#include <string>

#include "tools/assets/canvas.h"
#include "tools/assets/paint.h"
#include "tools/assets/pictures.h"

namespace assets::pictures {

namespace {

constexpr int W = 320, H = 240;

struct member_credit {
    const char* name;
    const char* role;
    unsigned colour;
    unsigned glow;
};

const member_credit members[4] = {{"FENNICKONE", "CODE", 0xe8fff4, 0x20e090},
                                  {"DRUMELO", "MUSIC", 0xfff2dc, 0xff7a20},
                                  {"QUINTAZ", "GRAPHICS", 0xffeefa, 0xe040c0},
                                  {"PELLO", "DESIGN", 0xeef6ff, 0x3090ff}};

const char* const greeting_names[6] = {"ORVILANE", "THESSMOOR", "QUILLON",
                                       "DORROW",   "PALLIMER",  "KRENN"};

// Lines 1 to 7 are sung, each under its short window of the corridor scene;
// the last four belong to the song but are never shown.
const char* const lyric_lines[11] = {"COLD LIGHT",  "IN THE VAULT", "WAKE",
                                     "RISE",        "BURN",         "FALL",
                                     "STILL HERE",  "SIGNAL LOST",  "NO ONE LEFT",
                                     "ONLY THE HUM", "GOODBYE STATIC"};

// Fits a display line into max_width by lowering its size.
text_style fitted(canvas& c, const std::string& text, text_style style, double max_width) {
    for (int i = 0; i < 20 && c.measure(text, style).width > max_width; ++i) style.size *= 0.94;
    return style;
}

}  // namespace

// The group's logo, opaque: the title cross-fades into it from its
// background. Gold chrome letters with a hot glow on a dark field with a
// faint perspective grid.
image title_logo() {
    image base = fill(W, H, [](int x, int y) {
        const double cy = (y - 120.0) / 120.0, cx = (x - 160.0) / 160.0;
        rgba col = mix(hex(0x1a0830), hex(0x04020a), clamp01(std::sqrt(cx * cx + cy * cy)));
        if (y > 150) {
            // Floor grid converging on the centre.
            const double depth = 40.0 / (y - 140.0);
            const double gx = (x - 160.0) * depth / 8.0, gz = depth * 4;
            const bool line = std::fabs(gx - std::round(gx)) < 0.04 * depth + 0.02 ||
                              std::fabs(gz - std::round(gz)) < 0.05;
            if (line) col = add(col, scale(hex(0xff40a0), 0.6 * clamp01(1.4 - depth * 0.5)));
        }
        return opaque(col);
    });
    canvas out(base);
    cairo_t* cr = out.cr();
    text_style logo;
    logo.face = font::display;
    logo.size = 92;
    logo.spacing = 3;
    logo = fitted(out, "QUORVANE", logo, 296);
    canvas glow(W, H);
    glow.text_path_centred("QUORVANE", logo, 160, 104);
    cairo_set_line_width(glow.cr(), 8);
    set_colour(glow.cr(), hex(0xff5a20));
    cairo_stroke_preserve(glow.cr());
    cairo_fill(glow.cr());
    glow.blur(6);
    out.composite(glow, 1.0, CAIRO_OPERATOR_ADD);
    cairo_new_path(cr);
    out.text_path_centred("QUORVANE", logo, 160, 104);
    chrome_fill(cr, 64, 144, 0xfff8d8, 0xffb040, 0x8a3a10);
    cairo_set_line_width(cr, 1.5);
    set_colour(cr, hex(0x2a0a00));
    cairo_stroke(cr);
    text_style sub;
    sub.face = font::sans_bold;
    sub.size = 13;
    sub.spacing = 9;
    sub.colour = hex(0xfff0ff);
    glowing_text(out, "VELDRAKIN", sub, 160, 162, hex(0xff40c0), 3, 1.0);
    return out.to_image();
}

// A credit name with its role on full transparency, inside the middle of the
// picture: the intro tilts it by up to 12 degrees about the centre, and the
// sampler wraps, so the margins stay empty.
image credit_name(int member) {
    const member_credit& m = members[member & 3];
    canvas out(W, H);
    text_style name;
    name.face = font::display;
    name.size = 70;
    name.spacing = 2;
    name.colour = hex(m.colour);
    name.outline = 1.2;
    name.outline_colour = hex(0x000000, 0.85);
    name = fitted(out, m.name, name, 230);
    glowing_text(out, m.name, name, 160, 112, hex(m.glow), 5, 1.0);
    text_style role;
    role.face = font::sans_bold;
    role.size = 12;
    role.spacing = 7;
    role.colour = hex(m.glow);
    const text_box box = out.measure(m.role, role);
    cairo_t* cr = out.cr();
    cairo_rectangle(cr, 160 - box.width / 2 - 12, 140, box.width + 24, 20);
    set_colour(cr, hex(0x000000, 0.7));
    cairo_fill(cr);
    out.text_centred(m.role, role, 160 + 3.5, 150);
    cairo_set_line_width(cr, 1);
    set_colour(cr, hex(m.glow, 0.9));
    cairo_move_to(cr, 60, 80.5);
    cairo_line_to(cr, 260, 80.5);
    cairo_stroke(cr);
    return out.to_image();
}

// The matte of a credit name: the name in white on opaque black, softened.
image credit_mask(int member) {
    const member_credit& m = members[member & 3];
    canvas out(W, H);
    cairo_set_source_rgb(out.cr(), 0, 0, 0);
    cairo_paint(out.cr());
    canvas shape(W, H);
    text_style name;
    name.face = font::display;
    name.size = 70;
    name.spacing = 2;
    name = fitted(shape, m.name, name, 230);
    name.outline = 4;
    name.outline_colour = hex(0xffffff);
    shape.text_centred(m.name, name, 160, 112);
    shape.blur(2);
    out.composite(shape);
    return out.to_image();
}

// A greeting on full transparency: "greetings to" over the group's name, and a
// thin rule. Light colours: the tunnel adds them weighted by alpha.
image greeting(int index) {
    const unsigned colours[6] = {0xc8f8ff, 0xfff0c0, 0xe0ffd0, 0xffd8f0, 0xe8e0ff, 0xfff4e0};
    const unsigned glows[6] = {0x20a0ff, 0xffa020, 0x40ff80, 0xff40a0, 0x8060ff, 0xff6020};
    const std::string name = greeting_names[index % 6];
    canvas out(W, H);
    text_style small;
    small.face = font::sans_light;
    small.size = 13;
    small.spacing = 6;
    small.colour = hex(colours[index % 6]);
    out.text_centred("greetings to", small, 160 + 3, 84);
    text_style big;
    big.face = font::display;
    big.size = 64;
    big.spacing = 3;
    big.colour = hex(colours[index % 6]);
    big = fitted(out, name, big, 270);
    glowing_text(out, name, big, 160, 124, hex(glows[index % 6]), 4, 0.9);
    cairo_t* cr = out.cr();
    cairo_set_line_width(cr, 1.5);
    set_colour(cr, hex(glows[index % 6], 0.85));
    cairo_move_to(cr, 110, 160.5);
    cairo_line_to(cr, 210, 160.5);
    cairo_stroke(cr);
    return out.to_image();
}

// A lyric line on full transparency: white display letters with a dark,
// half-transparent shadow that darkens the corridor behind them.
image lyric(int index) {
    const std::string line = lyric_lines[index % 11];
    canvas out(W, H);
    text_style style;
    style.face = font::display;
    style.size = 58;
    style.spacing = 4;
    style.colour = hex(0xffffff);
    style = fitted(out, line, style, 280);
    canvas shadow(W, H);
    text_style dark = style;
    dark.colour = hex(0x000000);
    dark.outline = 5;
    dark.outline_colour = hex(0x000000);
    shadow.text_centred(line, dark, 162, 172);
    shadow.blur(4);
    out.composite(shadow, 0.75);
    canvas glow(W, H);
    text_style warm = style;
    warm.colour = hex(0xffe0a0);
    glow.text_centred(line, warm, 160, 170);
    glow.blur(3);
    out.composite(glow, 0.8);
    out.text_centred(line, style, 160, 170);
    return out.to_image();
}

// The end screen: the show's name, a thank-you and the credits, on full
// transparency.
image end_picture() {
    canvas out(W, H);
    text_style title;
    title.face = font::display;
    title.size = 62;
    title.spacing = 5;
    title.colour = hex(0xf4fff8);
    glowing_text(out, "VELDRAKIN", title, 160, 70, hex(0x30e0a0), 5, 0.9);
    text_style by;
    by.face = font::sans_light;
    by.size = 12;
    by.spacing = 5;
    by.colour = hex(0xd0e8ff);
    out.text_centred("a quorvane production", by, 160 + 2.5, 106);
    text_style credits;
    credits.face = font::sans;
    credits.size = 11;
    credits.spacing = 2;
    credits.colour = hex(0xffffff);
    const char* lines[4] = {"code  FENNICKONE", "music  DRUMELO", "graphics  QUINTAZ",
                            "design  PELLO"};
    for (int k = 0; k < 4; ++k) out.text_centred(lines[k], credits, 160, 140 + k * 16);
    text_style thanks;
    thanks.face = font::display;
    thanks.size = 22;
    thanks.spacing = 4;
    thanks.colour = hex(0xffe8c0);
    glowing_text(out, "THANK YOU FOR WATCHING", thanks, 160, 214, hex(0xff8040), 3, 0.8);
    return out.to_image();
}

namespace {

// The vault door as a path: outer ring, hub and spokes between them, centred
// on the screen and stretched to an ellipse that fills most of it (the tunnel
// behind is dark at the centre and bright towards the edges). The stencil
// fills the openings; the frame draws the metal.
void vault_openings(cairo_t* cr) {
    cairo_save(cr);
    cairo_translate(cr, 160, 120);
    cairo_scale(cr, 1.45, 1.08);
    // The big opening between ring and hub, cut by eight spokes.
    const int spokes = 8;
    for (int k = 0; k < spokes; ++k) {
        const double a0 = 2 * pi * k / spokes + 0.07, a1 = 2 * pi * (k + 1) / spokes - 0.07;
        cairo_new_sub_path(cr);
        cairo_arc(cr, 0, 0, 100, a0, a1);
        cairo_arc_negative(cr, 0, 0, 34, a1 - 0.14, a0 + 0.14);
        cairo_close_path(cr);
    }
    // The eye of the hub.
    cairo_new_sub_path(cr);
    cairo_arc(cr, 0, 0, 14, 0, 2 * pi);
    cairo_restore(cr);
}

}  // namespace

// The vault door's metal, on full transparency: ring, bolts and spokes. The
// swirling tunnel loads it with its stencil.
image vault_frame() {
    canvas out(W, H);
    cairo_t* cr = out.cr();
    cairo_save(cr);
    cairo_translate(cr, 160, 120);
    cairo_scale(cr, 1.45, 1.08);
    cairo_arc(cr, 0, 0, 112, 0, 2 * pi);
    cairo_restore(cr);
    cairo_new_sub_path(cr);
    vault_openings(cr);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);  // the openings are holes in the metal
    cairo_pattern_t* g = cairo_pattern_create_radial(120, 80, 10, 160, 120, 170);
    cairo_pattern_add_color_stop_rgb(g, 0, 0.78, 0.75, 0.7);
    cairo_pattern_add_color_stop_rgb(g, 0.6, 0.38, 0.36, 0.34);
    cairo_pattern_add_color_stop_rgb(g, 1, 0.12, 0.11, 0.11);
    cairo_set_source(cr, g);
    cairo_fill(cr);
    cairo_pattern_destroy(g);
    // Bolts around the rim and on the hub.
    for (int k = 0; k < 28; ++k) {
        const double a = 2 * pi * k / 28;
        cairo_arc(cr, 160 + 1.45 * 106 * std::cos(a), 120 + 1.08 * 106 * std::sin(a), 2.2, 0, 2 * pi);
        set_colour(cr, hex(0xd8d0c0));
        cairo_fill(cr);
    }
    for (int k = 0; k < 8; ++k) {
        const double a = 2 * pi * (k + 0.5) / 8;
        cairo_arc(cr, 160 + 1.45 * 24 * std::cos(a), 120 + 1.08 * 24 * std::sin(a), 2.0, 0, 2 * pi);
        set_colour(cr, hex(0xe8e0d0));
        cairo_fill(cr);
    }
    return out.to_image();
}

// The stencil of the swirling tunnel: the vault door's openings in opaque
// white (the tunnel shows there unchanged), warming to amber at their soft
// rims, on opaque black.
image vault_stencil() {
    canvas out(W, H);
    cairo_t* cr = out.cr();
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_paint(cr);
    canvas rim(W, H);
    vault_openings(rim.cr());
    set_colour(rim.cr(), hex(0xffa040));
    cairo_fill(rim.cr());
    rim.blur(3);
    out.composite(rim);
    canvas core(W, H);
    vault_openings(core.cr());
    set_colour(core.cr(), hex(0xffffff));
    cairo_fill(core.cr());
    core.blur(1);
    // Shrink the white core slightly so that the amber rim shows.
    canvas shrunk(W, H);
    cairo_t* s = shrunk.cr();
    cairo_translate(s, 160, 120);
    cairo_scale(s, 0.98, 0.97);
    cairo_translate(s, -160, -120);
    cairo_set_source_surface(s, core.surface(), 0, 0);
    cairo_paint(s);
    out.composite(shrunk);
    return out.to_image();
}

}  // namespace assets::pictures
