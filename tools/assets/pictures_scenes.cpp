// The full-screen scenes (320 × 240, opaque): the corridor, the industrial
// skyline, the opening picture, the still landscape, the broadcast stripes and
// the backgrounds of the title, the credits and the end screen.

#include <cmath>

#include "tools/assets/canvas.h"
#include "tools/assets/noise.h"
#include "tools/assets/paint.h"
#include "tools/assets/pictures.h"

namespace assets::pictures {

using noise::fbm;

namespace {

constexpr int W = 320, H = 240;

// A field of small stars, sparse and deterministic, added onto col.
rgba stars(int x, int y, uint32_t seed, double density, rgba col) {
    const uint32_t h = noise::hash(x, y, seed);
    if ((h & 0xffffU) < static_cast<uint32_t>(density * 65536)) {
        const double b = 0.35 + 0.65 * ((h >> 16) & 0xff) / 255.0;
        const double warm = ((h >> 24) & 1U) ? 0.85 : 1.0;
        return add(col, {b, b * warm, b * (2 - warm) * 0.9, 0});
    }
    return col;
}

// Height in [0, 1] of a ridge line at column x (1-D fractal noise).
double ridge_line(double x, double period_px, int octaves, uint32_t seed) {
    const int period = 4;
    return 0.5 + 0.5 * fbm(x / period_px * period, 0.5, period * 64, 1, octaves, seed);
}

void rectangle(cairo_t* cr, double x, double y, double w, double h, const rgba& c) {
    cairo_rectangle(cr, x, y, w, h);
    set_colour(cr, c);
    cairo_fill(cr);
}

}  // namespace

// A long concrete corridor seen along its axis: ceiling lamps, doors, a wet
// floor that mirrors the lamps and a bright door at the far end. The top-left
// corner is also the tint source of the cell pattern, which reads only about
// the first 30 × 24 pixels: the very corner is near black (an amber glow
// there), and a red warning panel lies over columns 10 to 46, rows 8 to 28 (a
// green glow when the pattern returns later in the show).
image corridor() {
    const double vx = 160, vy = 126, focal = 150;
    const double half_w = 1.0, half_h = 0.8, far_z = 14;
    image base = fill(W, H, [&](int x, int y) {
        const double dx = (x + 0.5 - vx) / focal, dy = (y + 0.5 - vy) / focal;
        const double zw = dx != 0 ? half_w / std::fabs(dx) : 1e9;
        const double zh = dy != 0 ? half_h / std::fabs(dy) : 1e9;
        double z = std::min(std::min(zw, zh), far_z);
        rgba col;
        double light = 0;
        // Lamps hang every 2 units along the ceiling's centre line.
        auto lamp_glow = [](double px, double pz) {
            double sum = 0;
            for (int k = 1; k <= 7; ++k) {
                const double lz = 2.0 * k, ddx = px, ddz = pz - lz;
                sum += 0.35 / (0.25 + ddx * ddx + ddz * ddz);
            }
            return sum;
        };
        if (z >= far_z) {
            // The far door: bright, with a dark frame.
            const double px = dx * far_z, py = dy * far_z;
            const bool door = std::fabs(px) < 0.35 && py > -0.35;
            col = door ? hex(0xfff0c8) : mix(hex(0x2a3432), hex(0x45524c), 0.5);
            light = door ? 1.6 : 0.7;
        } else if (zh < zw) {
            const double px = dx * z;
            if (dy < 0) {
                // Ceiling with its lamps.
                const double f = z / 2.0 - std::floor(z / 2.0);
                const bool lamp = std::fabs(px) < 0.22 && f > 0.44 && f < 0.56;
                const double n = 0.5 + 0.5 * fbm(px * 2 + 8, z * 0.8, 64, 64, 4, 101);
                col = lamp ? hex(0xfff4d8) : mix(hex(0x1a2020), hex(0x2e3834), n);
                light = lamp ? 2.0 : 0.5 + lamp_glow(px, z) * 0.5;
                // A pipe along each upper edge.
                if (std::fabs(px) > 0.8) col = mix(col, hex(0x503a28), 0.7);
            } else {
                // Wet floor: tiles, puddles, mirrored lamps.
                const double tx = px * 3, tz = z * 1.5;
                const bool grout = (tx - std::floor(tx)) < 0.05 || (tz - std::floor(tz)) < 0.05;
                const double n = 0.5 + 0.5 * fbm(px * 1.5 + 20, z * 0.7, 64, 64, 5, 102);
                col = mix(hex(0x1c2624), hex(0x3a4640), n);
                if (grout) col = scale(col, 0.6);
                light = 0.45 + lamp_glow(px, z) * 0.6;
                const double wet = smooth(0.45, 0.65, n);
                const double rz = 2 * z, rx = 2 * px;  // the mirrored ray meets the ceiling here
                const double f = rz / 2.0 - std::floor(rz / 2.0);
                if (std::fabs(rx) < 0.3 && f > 0.4 && f < 0.6 && rz < far_z)
                    col = mix(col, hex(0xffe6b8), 0.55 * wet + 0.1);
                col = add(col, scale(hex(0x18302c), wet * 0.5));
            }
        } else {
            // Walls: panels, doors every 3 units, grime running down.
            const double py = dy * z;
            const double n = 0.5 + 0.5 * fbm(z * 0.9, py * 2 + 5, 64, 64, 5, dx < 0 ? 103 : 104);
            col = mix(hex(0x24302c), hex(0x56645a), n);
            const double f = z / 3.0 - std::floor(z / 3.0);
            if (f > 0.3 && f < 0.48 && py > -0.45) col = mix(hex(0x0c1010), hex(0x1c2220), n);
            if (f > 0.28 && f < 0.3 && py > -0.45) col = scale(col, 0.5);
            if (std::fabs(py - 0.1) < 0.015) col = mix(col, hex(0x8a6a30), 0.7);  // handrail
            const double grime = smooth(0.3, 0.8, 0.5 + 0.5 * fbm(z * 4, py * 0.5, 256, 64, 4, 105));
            col = scale(col, 1 - 0.35 * grime * smooth(-0.2, 0.8, py));
            light = 0.5 + lamp_glow(dx < 0 ? -0.9 : 0.9, z) * 0.7;
        }
        const double fog = std::exp(-z * 0.09);
        rgba lit = scale(col, std::min(light, 2.2) * (0.35 + 0.65 * fog));
        lit = mix(lit, hex(0x26302e), (1 - fog) * 0.35);
        // Slight warm cast from the lamps, cool shadows.
        lit = {lit.r * 1.05, lit.g * 1.0, lit.b * 0.92, 1};
        const double rx = (x - vx) / 200.0, ry = (y - vy) / 170.0;
        return opaque(scale(lit, 1 - 0.45 * clamp01(rx * rx + ry * ry)));
    });
    canvas out(base);
    cairo_t* cr = out.cr();
    // The warning panel with its glow.
    canvas glow(W, H);
    rectangle(glow.cr(), 8, 6, 40, 24, hex(0xff2a10, 0.9));
    glow.blur(5);
    out.composite(glow, 0.8, CAIRO_OPERATOR_ADD);
    rectangle(cr, 9, 7, 38, 22, hex(0x3a0806));
    rectangle(cr, 10, 8, 36, 20, hex(0xd81e16));
    // The corner in deep shadow: near black, the amber tint of the first run.
    cairo_pattern_t* corner = cairo_pattern_create_radial(0, 0, 0, 0, 0, 10);
    cairo_pattern_add_color_stop_rgba(corner, 0, 0.02, 0.015, 0.01, 1);
    cairo_pattern_add_color_stop_rgba(corner, 0.7, 0.02, 0.015, 0.01, 1);
    cairo_pattern_add_color_stop_rgba(corner, 1, 0.02, 0.015, 0.01, 0);
    cairo_set_source(cr, corner);
    cairo_rectangle(cr, 0, 0, 9, 7);
    cairo_fill(cr);
    cairo_pattern_destroy(corner);
    return out.to_image();
}

// An industrial skyline under a burning sky. The glow layer shows it at the
// top of the screen and fades it out downwards, so the sky, the chimney tops
// and the smoke carry the picture; the ground lies low and dark.
image industrial() {
    const ramp sky{{0.0, hex(0x2a0a2a)}, {0.35, hex(0x8a1e2a)}, {0.6, hex(0xe05a1e)},
                   {0.78, hex(0xffb040)}, {1.0, hex(0xffe8a0)}};
    image base = fill(W, H, [&](int x, int y) {
        const double t = clamp01(std::pow(y / 170.0, 1.2));
        rgba col = sky(t);
        // The sun low behind the plant.
        const double sx = x - 210.0, sy = y - 150.0, sd = std::sqrt(sx * sx + sy * sy);
        col = add(col, scale(hex(0xffd080), 0.9 * std::exp(-sd / 26.0)));
        if (sd < 22) col = mix(col, hex(0xfff4d0), 0.9);
        // Smog bands.
        const double smog = 0.5 + 0.5 * fbm(x / 90.0, y / 25.0, 64, 64, 5, 111);
        col = mix(col, hex(0x3a1a24), 0.45 * smog * (1 - t * 0.6));
        return opaque(col);
    });
    canvas out(base);
    cairo_t* cr = out.cr();
    const rgba steel = hex(0x120a10);
    // Smoke plumes rising from the stacks, drifting left.
    auto plume = [&](double x0, double y0, double height, uint32_t seed) {
        canvas smoke(W, H);
        cairo_t* s = smoke.cr();
        for (int k = 0; k < 40; ++k) {
            const double f = k / 39.0;
            const double px = x0 - f * 90 + 14 * fbm(f * 4, 0.3, 64, 1, 3, seed);
            const double py = y0 - f * height;
            cairo_arc(s, px, py, 4 + f * 22, 0, 2 * pi);
            set_colour(s, {0.25 + 0.2 * f, 0.16 + 0.1 * f, 0.18, 0.12 * (1 - f * 0.6)});
            cairo_fill(s);
        }
        smoke.blur(4);
        out.composite(smoke);
    };
    plume(70, 40, 60, 112);
    plume(128, 20, 30, 113);
    plume(262, 56, 70, 114);
    // Chimneys: tall stacks with warning stripes at the top.
    const double stacks[][3] = {{64, 40, 11}, {122, 20, 9}, {256, 56, 12}, {290, 90, 8}};
    for (const auto& s : stacks) {
        cairo_move_to(cr, s[0] - s[2] * 0.7, s[1]);
        cairo_line_to(cr, s[0] + s[2] * 0.7, s[1]);
        cairo_line_to(cr, s[0] + s[2], 200);
        cairo_line_to(cr, s[0] - s[2], 200);
        cairo_close_path(cr);
        set_colour(cr, steel);
        cairo_fill(cr);
        rectangle(cr, s[0] - s[2] * 0.72, s[1] + 4, s[2] * 1.44, 3, hex(0x7a2018));
        rectangle(cr, s[0] - s[2] * 0.74, s[1] + 10, s[2] * 1.48, 3, hex(0x7a2018));
        // Red aviation light.
        canvas lamp(W, H);
        cairo_arc(lamp.cr(), s[0], s[1] - 2, 2, 0, 2 * pi);
        set_colour(lamp.cr(), hex(0xff3020));
        cairo_fill(lamp.cr());
        lamp.blur(2);
        out.composite(lamp, 1.0, CAIRO_OPERATOR_ADD);
    }
    // Cooling towers: waisted shapes.
    auto tower = [&](double cx, double top, double w) {
        cairo_move_to(cr, cx - w * 0.62, top);
        cairo_curve_to(cr, cx - w * 0.45, top + 40, cx - w * 0.5, top + 60, cx - w, 205);
        cairo_line_to(cr, cx + w, 205);
        cairo_curve_to(cr, cx + w * 0.5, top + 60, cx + w * 0.45, top + 40, cx + w * 0.62, top);
        cairo_close_path(cr);
        set_colour(cr, hex(0x1c1016));
        cairo_fill(cr);
    };
    tower(180, 112, 34);
    tower(220, 128, 26);
    // A gantry crane.
    cairo_set_line_width(cr, 2);
    set_colour(cr, steel);
    cairo_move_to(cr, 20, 205);
    cairo_line_to(cr, 24, 70);
    cairo_line_to(cr, 28, 205);
    cairo_move_to(cr, 4, 74);
    cairo_line_to(cr, 110, 74);
    cairo_stroke(cr);
    for (int k = 0; k < 10; ++k) {
        cairo_move_to(cr, 6 + k * 10, 74);
        cairo_line_to(cr, 11 + k * 10, 68);
        cairo_line_to(cr, 16 + k * 10, 74);
    }
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    cairo_move_to(cr, 96, 74);
    cairo_line_to(cr, 96, 120);
    cairo_stroke(cr);
    // Low buildings, pipes and lit windows.
    for (int k = 0; k < 14; ++k) {
        const double bx = k * 24 - 6 + 8 * noise::unit(k, 0, 115);
        const double bh = 16 + 30 * noise::unit(k, 1, 115);
        rectangle(cr, bx, 200 - bh, 22, bh + 40, hex(0x0e080c));
        for (int wy = 0; wy < static_cast<int>(bh / 7); ++wy)
            for (int wx = 0; wx < 3; ++wx)
                if (noise::unit(k * 7 + wx, wy, 116) > 0.55)
                    rectangle(cr, bx + 3 + wx * 6, 204 - bh + wy * 7, 3, 3, hex(0xffb050, 0.9));
    }
    rectangle(cr, 0, 214, W, 26, hex(0x07040a));
    return out.to_image();
}

// The opening picture: a ringed planet rising over the curve of a moon, deep
// space behind. Its top-left pixel is a deep navy, the flat colour that the
// iris effect lays outside its circle.
image opening() {
    const double pcx = 200, pcy = 92, pr = 62;
    image base = fill(W, H, [&](int x, int y) {
        const double u = x / 80.0, v = y / 80.0;
        const double neb = 0.5 + 0.5 * fbm(u, v, 64, 64, 6, 121);
        const double neb2 = 0.5 + 0.5 * fbm(u + 5, v + 3, 64, 64, 5, 122);
        rgba col = mix(hex(0x070a1e), hex(0x26104a), smooth(0.45, 0.85, neb));
        col = add(col, scale(hex(0x0a5a78), 0.6 * smooth(0.55, 0.9, neb2)));
        col = stars(x, y, 123, 0.012, col);
        // The planet: banded gas, lit from the upper left, with an atmosphere.
        const double dx = (x - pcx) / pr, dy = (y - pcy) / pr, d2 = dx * dx + dy * dy;
        if (d2 < 1) {
            const double nz = std::sqrt(1 - d2);
            const double lit = clamp01(0.15 + 0.85 * (-0.55 * dx - 0.45 * dy + 0.7 * nz));
            const double lat = dy * 5 + 0.6 * fbm(dx * 3, dy * 12, 64, 64, 4, 124);
            const double band = 0.5 + 0.5 * std::sin(lat * 3.1);
            rgba gas = mix(hex(0xc86a3a), hex(0xf4d8a0), band);
            gas = mix(gas, hex(0x8a3a2a), 0.4 * smooth(0.6, 0.9, std::sin(lat * 1.3 + 1)));
            col = scale(gas, lit);
            col = add(col, scale(hex(0x60a0ff), 0.5 * std::pow(1 - nz, 3.0)));
        } else {
            col = add(col, scale(hex(0x4080ff), 0.6 * std::exp(-(std::sqrt(d2) - 1) * 9)));
        }
        // The rings, a tilted ellipse in front of the lower half.
        const double rx = (x - pcx), ry = (y - pcy) - 0.22 * rx;
        const double re = std::sqrt(rx * rx + (ry * 4.2) * (ry * 4.2)) / pr;
        if (re > 1.3 && re < 2.1 && (ry > 0 || d2 >= 1)) {
            const double ring = 0.5 + 0.5 * std::sin(re * 40) * std::sin(re * 13 + 1);
            col = mix(col, mix(hex(0x8a6a50), hex(0xf0e0c0), ring), 0.75 * smooth(1.3, 1.4, re) *
                                                                      (1 - smooth(2.0, 2.1, re)));
        }
        // The moon's horizon at the bottom.
        const double hx = (x - 120) / 260.0, hy = (y - 420) / 260.0;
        const double hd = std::sqrt(hx * hx + hy * hy);
        if (hd < 1) {
            const double rock = 0.5 + 0.5 * fbm(x / 24.0, y / 10.0, 64, 64, 5, 125);
            col = scale(mix(hex(0x2a2a38), hex(0x7a7890), rock), 0.3 + 0.7 * smooth(0.96, 1.0, hd));
        } else {
            col = add(col, scale(hex(0x6fb0ff), 0.7 * std::exp(-(hd - 1) * 60)));
        }
        return opaque(col);
    });
    base.set(0, 0, hex(0x0a0c22));
    return base;
}

// A still landscape at dusk: layered mountain ridges fading into haze, a low
// sun and a lake that mirrors it all.
image still_landscape() {
    const ramp sky{{0.0, hex(0x1a1440)}, {0.4, hex(0x6a3a78)}, {0.7, hex(0xe07a68)},
                   {0.9, hex(0xffc890)}, {1.0, hex(0xffe0b0)}};
    const double horizon = 160;
    auto scene = [&](double x, double y) {
        rgba col = sky(clamp01(y / horizon));
        const double sx = x - 230, sy = y - 128, sd = std::sqrt(sx * sx + sy * sy);
        col = add(col, scale(hex(0xffc070), 0.8 * std::exp(-sd / 30.0)));
        if (sd < 13) col = hex(0xfff0d0);
        const double cloud = smooth(0.55, 0.8, 0.5 + 0.5 * fbm(x / 70.0, y / 14.0, 64, 64, 5, 131));
        col = mix(col, hex(0xf09a80), 0.5 * cloud * (y < 110 ? 1 : 0));
        // Four ridges, far to near: each darker and less hazy.
        const rgba ridge_col[4] = {hex(0x8a5a80), hex(0x5a3a66), hex(0x38244a), hex(0x1a1028)};
        const double base_y[4] = {118, 128, 140, 152}, amp[4] = {30, 38, 36, 26};
        for (int k = 0; k < 4; ++k) {
            const double h = base_y[k] - amp[k] * ridge_line(x + k * 97, 140 - k * 20, 6, 132 + k);
            if (y > h) {
                const double depth = clamp01((y - h) / 40.0);
                col = mix(ridge_col[k], scale(ridge_col[k], 0.7), depth);
                // Snow on the far peaks.
                if (k < 2 && y < h + 4 && h < base_y[k] - amp[k] * 0.65)
                    col = mix(col, hex(0xf0d0d8), 0.6);
            }
        }
        return col;
    };
    return fill(W, H, [&](int x, int y) {
        if (y < horizon) return opaque(scene(x, y));
        // The lake: the scene mirrored about the horizon, rippled and darker.
        const double depth = y - horizon;
        const double ripple = 2.2 * fbm(x / 40.0, depth / 3.0, 64, 64, 3, 139) * (0.3 + depth / 60.0);
        rgba col = scene(x + ripple, horizon - depth * 1.05 - 1);
        col = mix(scale(col, 0.7), hex(0x10102a), clamp01(depth / 110.0));
        // Sun glitter.
        const double gx = std::fabs(x - 230.0);
        if (gx < 14 - depth * 0.1 && noise::unit(x, y, 138) > 0.7)
            col = add(col, scale(hex(0xffd0a0), 0.6));
        return opaque(col);
    });
}

// A broadcast-stripe picture, read mostly through its red channel: bands of
// colour bars and scan lines of strongly different red, a striped retro sun
// and a call sign. Its left quarter is shown stretched four times wider by
// the glass-lens scene, so that part is made of horizontal bands only.
image broadcast_stripes() {
    const rgba bands[] = {hex(0xff3a2a), hex(0x201030), hex(0xff8a3a), hex(0x90103a),
                          hex(0xffd060), hex(0x401050), hex(0xff5060), hex(0x100818),
                          hex(0xc02040), hex(0xffb0a0), hex(0x501040), hex(0xff7020)};
    const double edges[] = {0, 17, 30, 46, 88, 101, 112, 133, 170, 180, 210, 228, 240};
    image base = fill(W, H, [&](int x, int y) {
        int band = 0;
        while (band < 11 && y >= edges[band + 1]) ++band;
        rgba col = bands[band];
        // Scan lines and a slow brightness wave along each band.
        if (y % 2 == 1) col = scale(col, 0.72);
        const double t = (y - edges[band]) / (edges[band + 1] - edges[band]);
        col = scale(col, 0.75 + 0.25 * std::sin(t * pi));
        // Colour-bar blocks in the right three quarters of some bands.
        if (x >= 80 && (band == 2 || band == 8)) {
            const int bar = (x - 80) / 30;
            const double levels[] = {1.0, 0.2, 0.8, 0.4, 0.95, 0.1, 0.6, 0.3};
            col = {levels[bar % 8], col.g * 0.6, col.b * 0.8, 1};
        }
        const double grain = noise::unit(x, y, 141) * 0.08;
        return opaque(add(col, {grain, grain * 0.5, grain * 0.5, 0}));
    });
    canvas out(base);
    cairo_t* cr = out.cr();
    // The retro sun: a disc in a warm gradient, cut by widening gaps.
    cairo_save(cr);
    cairo_arc(cr, 212, 120, 62, 0, 2 * pi);
    cairo_clip(cr);
    cairo_pattern_t* g = cairo_pattern_create_linear(0, 58, 0, 182);
    cairo_pattern_add_color_stop_rgb(g, 0, 1.0, 0.95, 0.55);
    cairo_pattern_add_color_stop_rgb(g, 0.5, 1.0, 0.45, 0.2);
    cairo_pattern_add_color_stop_rgb(g, 1, 0.85, 0.1, 0.4);
    cairo_set_source(cr, g);
    cairo_paint(cr);
    cairo_pattern_destroy(g);
    for (int k = 0; k < 8; ++k) {
        const double y = 126 + k * 8 + k * k * 0.6;
        rectangle(cr, 140, y, 150, 1.5 + k * 0.7, hex(0x180820));
    }
    cairo_restore(cr);
    text_style call;
    call.face = font::display;
    call.size = 30;
    call.spacing = 6;
    call.colour = hex(0xfff0e0);
    glowing_text(out, "VDK-TV", call, 212, 214, hex(0xff4060), 4, 0.9);
    text_style small;
    small.face = font::mono;
    small.size = 9;
    small.colour = hex(0xffe0c0);
    out.text_centred("CH 04  \xC2\xB7  SIGNAL 98%  \xC2\xB7  LIVE", small, 212, 24);
    return out.to_image();
}

// The title's background, revealed by two wandering lights: a bright nebula
// with the name of the show across it in huge hollow letters.
image title_background() {
    image base = fill(W, H, [&](int x, int y) {
        const double u = x / 100.0, v = y / 100.0;
        const double a = 0.5 + 0.5 * fbm(u, v, 64, 64, 6, 151);
        const double b = 0.5 + 0.5 * fbm(u + 7, v + 2, 64, 64, 6, 152);
        rgba col = mix(hex(0x20104a), hex(0xd04a9a), smooth(0.35, 0.8, a));
        col = mix(col, hex(0x30d0e0), 0.7 * smooth(0.5, 0.85, b));
        col = add(col, scale(hex(0xffffff), 0.25 * smooth(0.7, 0.95, a * b * 1.6)));
        return opaque(stars(x, y, 153, 0.02, col));
    });
    canvas out(base);
    cairo_t* cr = out.cr();
    text_style big;
    big.face = font::display;
    big.size = 96;
    big.spacing = 2;
    canvas glow(W, H);
    glow.text_path_centred("VELDRAKIN", big, 160, 120);
    cairo_set_line_width(glow.cr(), 6);
    set_colour(glow.cr(), hex(0xffffff));
    cairo_stroke(glow.cr());
    glow.blur(4);
    out.composite(glow, 0.7, CAIRO_OPERATOR_ADD);
    out.text_path_centred("VELDRAKIN", big, 160, 120);
    set_colour(cr, hex(0xffffff, 0.18));
    cairo_fill_preserve(cr);
    cairo_set_line_width(cr, 2);
    set_colour(cr, hex(0xfff8ff));
    cairo_stroke(cr);
    return out.to_image();
}

// The credit backgrounds: each member gets a pattern and a palette of their
// own. The intro shows them enlarged 1.2 to 1.4 times about the centre, so
// the centre carries the design.
image credit_background(int member) {
    struct palette {
        unsigned dark, mid, light, accent;
    };
    const palette palettes[4] = {{0x041a14, 0x0c5a44, 0x40e0a0, 0xd0ffe8},   // circuit green
                                 {0x1a0804, 0x7a2a0c, 0xff8a2a, 0xffe0a0},   // amber rings
                                 {0x160626, 0x5a1a7a, 0xe050c0, 0xffd0f8},   // violet shards
                                 {0x040c24, 0x123a7a, 0x40a0ff, 0xd8f0ff}};  // blueprint blue
    const palette& p = palettes[member & 3];
    const ramp shade{{0.0, hex(p.dark)}, {0.55, hex(p.mid)}, {0.9, hex(p.light)}, {1.0, hex(p.accent)}};
    return fill(W, H, [&](int x, int y) {
        const double cx = x - 160.0, cy = y - 120.0;
        const double r = std::sqrt(cx * cx + cy * cy), ang = std::atan2(cy, cx);
        const double n = 0.5 + 0.5 * fbm(x / 60.0, y / 60.0, 64, 64, 5, 161 + member);
        double t = 0;
        switch (member & 3) {
            case 0: {  // circuit traces on a grid
                const int gx = x / 8, gy = y / 8;
                const uint32_t h = noise::hash(gx, gy, 162);
                const bool horizontal = h & 1U;
                const int lx = x % 8, ly = y % 8;
                const bool trace = (h & 6U) != 0 && (horizontal ? ly == 3 : lx == 3);
                const bool pad = (h & 0x38U) == 0 && lx >= 2 && lx <= 5 && ly >= 2 && ly <= 5;
                t = 0.25 + 0.35 * n + (trace ? 0.35 : 0) + (pad ? 0.5 : 0);
                break;
            }
            case 1: {  // concentric sound rings, pulsing outwards
                const double wave = 0.5 + 0.5 * std::sin(r * 0.22 - 3 * n);
                t = 0.2 + 0.5 * std::pow(wave, 3.0) + 0.3 * n - r / 600.0;
                break;
            }
            case 2: {  // angular shards around the centre
                const double sector = std::floor((ang + pi) / (2 * pi) * 14);
                const double k = noise::unit(static_cast<int>(sector), 0, 163);
                const double facet = 0.5 + 0.5 * std::sin(r * (0.03 + 0.05 * k) + sector);
                t = 0.15 + 0.55 * facet * (0.6 + 0.4 * k) + 0.3 * n;
                break;
            }
            default: {  // a blueprint grid with a drafted circle
                const bool fine = x % 10 == 0 || y % 10 == 0;
                const bool bold = x % 40 == 0 || y % 40 == 0;
                const bool circle = std::fabs(r - 80) < 0.8 || std::fabs(r - 50) < 0.6;
                t = 0.3 + 0.3 * n + (fine ? 0.15 : 0) + (bold ? 0.25 : 0) + (circle ? 0.45 : 0);
                break;
            }
        }
        const double vignette = 1 - 0.55 * clamp01((cx * cx + cy * cy) / (170.0 * 170.0));
        return opaque(scale(shade(clamp01(t)), vignette));
    });
}

// The end screen's background: a calm, dark aurora over a horizon of stars.
image end_background() {
    return fill(W, H, [&](int x, int y) {
        const double u = x / 90.0, v = y / 90.0;
        rgba col = mix(hex(0x04060e), hex(0x0c1a30), y / 240.0);
        col = stars(x, y, 171, 0.015, col);
        const double curtain = 0.5 + 0.5 * fbm(u * 2, v * 0.4, 64, 64, 5, 172);
        const double shape = std::exp(-std::pow((y - 90 - 30 * std::sin(x / 60.0)) / 45.0, 2.0));
        col = add(col, scale(hex(0x30e0a0), 0.8 * shape * std::pow(curtain, 2.0)));
        col = add(col, scale(hex(0x8040e0), 0.5 * shape * (1 - curtain) * (y < 90 ? 1 : 0.3)));
        if (y > 200) {
            const double hill = 200 + 12 * ridge_line(x, 120, 4, 173);
            if (y > hill) col = hex(0x020306);
        }
        return opaque(col);
    });
}

}  // namespace assets::pictures
