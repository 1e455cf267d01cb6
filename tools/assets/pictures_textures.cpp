// The repeating textures. Each maps its width and height onto whole periods
// of the noise functions, so it tiles without a seam under the effects'
// wrap-around sampler.

#include <cmath>

#include "tools/assets/canvas.h"
#include "tools/assets/noise.h"
#include "tools/assets/paint.h"
#include "tools/assets/pictures.h"

namespace assets::pictures {

using noise::cellular;
using noise::fbm;
using noise::ridged;

namespace {
constexpr int tile = 256;
}

// Corroded metal: warped mottling, pitting, flaking cell edges and patches of
// green patina. The glass effects see it through refraction, the swirling
// tunnel as its wall, the tumbling torus as its colour (red is kept above 0
// everywhere, since the torus only shows where red is not 0).
image rust() {
    const ramp metal{{0.0, hex(0x1e0c06)}, {0.3, hex(0x5a220d)}, {0.55, hex(0x9a4518)},
                     {0.75, hex(0xcf7a30)}, {0.92, hex(0xeab060)}, {1.0, hex(0xf6d890)}};
    return fill(tile, tile, [&](int x, int y) {
        const double u = x * 4.0 / tile, v = y * 4.0 / tile;
        const double wx = fbm(u + 0.3, v, 4, 4, 4, 11), wy = fbm(u, v + 0.7, 4, 4, 4, 12);
        const double base = 0.5 + 0.55 * fbm(u + 0.8 * wx, v + 0.8 * wy, 4, 4, 6, 13);
        const double pits = ridged(u * 2, v * 2, 8, 8, 4, 14);
        const noise::cells c = cellular(u * 3 + 0.4 * wx, v * 3 + 0.4 * wy, 12, 12, 15);
        const double edge = smooth(0.0, 0.09, c.f2 - c.f1);
        rgba col = metal(clamp01(0.75 * base + 0.3 * pits * pits - 0.05));
        const double patina = smooth(0.25, 0.5, fbm(u, v, 4, 4, 5, 16));
        col = mix(col, mix(hex(0x2f5a4c), hex(0x6fa08a), pits), 0.55 * patina);
        col = scale(col, 0.55 + 0.45 * edge);
        col.r = std::max(col.r, 0.04);
        return opaque(col);
    });
}

// Blood-red organic skin: swollen cells with dark veins between them, folds
// and wet highlights.
image blood_skin() {
    const ramp flesh{{0.0, hex(0x2a0006)}, {0.35, hex(0x70080f)}, {0.65, hex(0xb01c1c)},
                     {0.85, hex(0xe0503a)}, {1.0, hex(0xffa080)}};
    return fill(tile, tile, [&](int x, int y) {
        const double u = x * 5.0 / tile, v = y * 5.0 / tile;
        const double wx = fbm(u, v, 5, 5, 3, 21), wy = fbm(u + 3.1, v + 1.7, 5, 5, 3, 22);
        const noise::cells c = cellular(u + 0.5 * wx, v + 0.5 * wy, 5, 5, 23);
        const double vein = 1 - smooth(0.0, 0.14, c.f2 - c.f1);
        const double bulge = clamp01(1.1 - c.f1 * 1.2);
        const double folds = 0.5 + 0.5 * fbm(u * 2, v * 2, 10, 10, 5, 24);
        rgba col = flesh(clamp01(0.55 * bulge + 0.45 * folds));
        col = mix(col, hex(0x1a0214), 0.85 * vein);
        const double shine = std::pow(clamp01(bulge * folds * 1.3 - 0.35), 3.0) * 1.6;
        col = add(col, {shine * 0.9, shine * 0.55, shine * 0.5, 0});
        return opaque(col);
    });
}

// Cryptic glyph tiles: 8 × 8 carved stone tiles, each with its own glyph of
// strokes between the nodes of a 3 × 3 grid, glowing faintly.
image cryptic() {
    const int cells_per_side = 8, cell = tile / cells_per_side;
    image stone = fill(tile, tile, [&](int x, int y) {
        const double u = x * 8.0 / tile, v = y * 8.0 / tile;
        const double n = 0.5 + 0.5 * fbm(u, v, 8, 8, 5, 31);
        const int cx = x % cell, cy = y % cell;
        // Bevelled tile edge: lighter on the top and left, darker below.
        double bevel = 0;
        if (cx < 2 || cy < 2) bevel = 0.12;
        if (cx >= cell - 2 || cy >= cell - 2) bevel = -0.18;
        const rgba col = mix(hex(0x141c1a), hex(0x3c4a44), n);
        return opaque(add(col, {bevel, bevel, bevel, 0}));
    });
    canvas glyphs(tile, tile);
    cairo_t* cr = glyphs.cr();
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    for (int ty = 0; ty < cells_per_side; ++ty) {
        for (int tx = 0; tx < cells_per_side; ++tx) {
            const double ox = tx * cell + 7, oy = ty * cell + 7, step = (cell - 14) / 2.0;
            auto node = [&](int k, double& px, double& py) {
                px = ox + (k % 3) * step;
                py = oy + (k / 3) * step;
            };
            const uint32_t seed = noise::hash(tx, ty, 37);
            const int strokes = 3 + static_cast<int>(seed % 3);
            for (int s = 0; s < strokes; ++s) {
                const uint32_t h = noise::hash(seed + static_cast<uint32_t>(s) * 131U);
                const int a = static_cast<int>(h % 9), b = static_cast<int>((h >> 8) % 9);
                double ax, ay, bx, by;
                node(a, ax, ay);
                node(a == b ? (b + 4) % 9 : b, bx, by);
                cairo_move_to(cr, ax, ay);
                cairo_line_to(cr, bx, by);
            }
            if (seed & 0x100U) {
                double cx, cy;
                node(static_cast<int>((seed >> 12) % 9), cx, cy);
                cairo_new_sub_path(cr);
                cairo_arc(cr, cx, cy, 2.5, 0, 2 * pi);
            }
        }
    }
    cairo_set_line_width(cr, 2.2);
    set_colour(cr, hex(0xffd27a));
    cairo_stroke(cr);
    canvas glow(tile, tile);
    glow.composite(glyphs);
    glow.blur(3, true);
    canvas out(stone);
    out.composite(glow, 1.0, CAIRO_OPERATOR_ADD);
    out.composite(glyphs, 0.9);
    return out.to_image();
}

// Cold marble: banded veins in blue and teal, the second environment of the
// glass rings.
image tex3() {
    const ramp marble{{0.0, hex(0x060a24)}, {0.3, hex(0x16306a)}, {0.55, hex(0x2a7a9c)},
                      {0.8, hex(0x8ad0e0)}, {1.0, hex(0xf0fcff)}};
    return fill(tile, tile, [&](int x, int y) {
        const double u = static_cast<double>(x) / tile, v = static_cast<double>(y) / tile;
        const double turb = fbm(u * 4, v * 4, 4, 4, 6, 41);
        const double bands = 0.5 + 0.5 * std::sin(2 * pi * (2 * u + v) + 5 * turb);
        const double fine = 0.5 + 0.5 * fbm(u * 16, v * 16, 16, 16, 3, 42);
        return opaque(marble(clamp01(std::pow(bands, 2.2) * 0.85 + 0.2 * fine)));
    });
}

// Soft colour clouds whose green channel spans the whole range: the title
// ripple reads green, the blobs see it through the glass.
image noise_clouds() {
    return fill(tile, tile, [&](int x, int y) {
        const double u = x * 4.0 / tile, v = y * 4.0 / tile;
        const double r = 0.5 + 0.5 * fbm(u, v, 4, 4, 5, 51);
        const double g = smooth(-0.55, 0.55, fbm(u + 1.7, v + 9.2, 4, 4, 5, 52));
        const double b = 0.5 + 0.5 * fbm(u + 4.1, v + 2.3, 4, 4, 5, 53);
        return rgba{0.15 + 0.6 * r * r, g, 0.25 + 0.75 * b, 1};
    });
}

// Long warm streaks, running top to bottom: the scrolling ground reads their
// red and alpha, the glow layer subtracts them. The alpha stays faint (3 to
// 12 %), so that the glow's brightness stays positive away from its centre.
image noise_streaks() {
    return fill(tile, tile, [&](int x, int y) {
        const double u = x * 32.0 / tile, v = y * 2.0 / tile;
        const double s = clamp01(0.5 + 0.7 * fbm(u, v, 32, 2, 4, 61));
        const double fleck = clamp01(noise::value(x * 0.5, y * 0.5, tile / 2, tile / 2, 62) * 3 - 2.4);
        const double red = clamp01(0.1 + 0.9 * std::pow(s, 1.6) + 0.5 * fleck);
        return rgba{red, red * 0.55, red * 0.22, 0.03 + 0.09 * s};
    });
}

// Turbulent noise with sharp folds in green, the ripple source of the credit
// and end screens.
image noise_gato() {
    return fill(tile, tile, [&](int x, int y) {
        const double u = x * 3.0 / tile, v = y * 3.0 / tile;
        double turb = 0, amp = 1, norm = 0;
        double fu = u, fv = v;
        int period = 3;
        for (int k = 0; k < 5; ++k) {
            turb += amp * std::fabs(noise::gradient(fu, fv, period, period, 71 + k));
            norm += amp;
            amp *= 0.55;
            fu *= 2;
            fv *= 2;
            period *= 2;
        }
        const double g = clamp01(turb / norm * 2.6);
        const double r = 0.5 + 0.5 * fbm(u, v, 3, 3, 4, 72);
        return rgba{0.2 + 0.5 * r, g, 0.6 - 0.4 * g * r, 1};
    });
}

}  // namespace assets::pictures
