#include "effects/effect_tunnel3.h"

#include <algorithm>
#include <cmath>

#include "effects/raymarch.h"

using namespace raymarch;

bool effect_tunnel3::init() {
    // Reports under the name of the rotating planes, with which it shares its
    // message.
    return load_textures({{&tex_tunnel, "_glimmerock/textures/rust.png"},
                          {&tex_overlay, "_glimmerock/overlays/v_g_overlay4_320.png"},
                          {&tex_stencil, "_glimmerock/overlays/v_g_overlay4_320_mask.png"}},
                         "effect_tunnel2 failed to initialize itself");
}

void effect_tunnel3::advance(float app_ms, double) {
    local_time = advance_clock(start_time, app_ms, 0.0f, 1000.0f);
}

int effect_tunnel3::run(float app_ms, double music_s) {
    return run_banded_frame(app_ms, music_s, band_layout::full_resolution,
                            [&](int first_row, int end_row, uint32_t* pixels) {
                                render_band(first_row, end_row, local_time, pixels);
                            });
}

namespace {

constexpr double byte_scale = 255.0;

// A screen row's terms.
struct swirl_row {
    double v;
    double v2;  // v * v
    double tv;  // stencil coordinate y / 240
};

}  // namespace

void effect_tunnel3::render_band(int first_row, int end_row, double t, uint32_t pixels[]) const {
    const double half_t = 0.5 * t;

    swirl_row rows[screen_height];
    for (int y = first_row; y < end_row; ++y) {
        const double v = 2.0 * y / 240 - 1;
        rows[y] = {v, v * v, y / 240.0};
    }

    // The turn depends on the column through u^2 alone, and columns x and
    // 320 - x mostly have the same u^2: the later of two such columns takes
    // the turn of the earlier one in the same row instead of its three sines.
    double column_u[screen_width];
    double column_u2[screen_width];
    double column_tu[screen_width];  // stencil coordinate x / 320
    int same_turn[screen_width];     // an earlier column with the same u^2, or -1
    for (int x = 0; x < screen_width; ++x) {
        column_u[x] = 2.0 * x / 320 - 1;
        column_u2[x] = column_u[x] * column_u[x];
        column_tu[x] = x / 320.0;
        const int mirror = screen_width - x;
        same_turn[x] = mirror < x && column_u2[mirror] == column_u2[x] ? mirror : -1;
    }
    // Row by row: every pixel depends on its own row and column alone.
    for (int y = first_row; y < end_row; ++y) {
        const swirl_row& row = rows[y];
        double row_cg[screen_width];
        double row_sg[screen_width];
        float row_rho[screen_width];
        for (int x = 0; x < screen_width; ++x) {
            const double u = column_u[x];
            const double v = row.v;
            float rho;
            double cg;
            double sg;
            const int earlier = same_turn[x];
            if (earlier >= 0) {
                rho = row_rho[earlier];
                cg = row_cg[earlier];
                sg = row_sg[earlier];
            } else {
                // The radius in single precision: the sum rounded, then its root.
                rho = std::sqrt(static_cast<float>(column_u2[x] + row.v2));
                // Turn the point by 2g, g growing with the radius and the time.
                const double g = std::sin(half_t + 0.5 * rho);
                cg = std::cos(2 * g);
                sg = std::sin(2 * g);
            }
            row_rho[x] = rho;
            row_cg[x] = cg;
            row_sg[x] = sg;
            const double m = std::atan2(u * sg + v * cg, u * cg - v * sg);
            const double k = smoothstep(
                0.5, 1,
                smoothstep(0.7, 1, smoothstep(0.4, 0.5, smoothstep(0, 0.3, 0.5 * std::cos(2 * m) + 0.5))));
            const double ck = std::cos(k);
            const double lift = 0.2 * k;
            const uint32_t wall = tex_tunnel.sample((1 - (1 / (lift + rho) + t)) * 0.5,
                                                    (1 - 3 * m / 3.1416 * ck) * 0.5);
            const double q = 0.5 * std::cos(7 * m) + 0.5;
            const double ring = smoothstep(0, 0.4, q) - smoothstep(0.4, 0.7, q);
            const double f = (0.5 * k + 0.5) * (static_cast<double>(rho) * rho) * (1 - 0.5 * ring) * 2;
            const uint32_t stencil = tex_stencil.sample(column_tu[x], row.tv);
            const double a = std::min(wall >> 24, stencil >> 24) / byte_scale;
            const double r = std::min(((wall >> 16) & 0xFFu) / byte_scale * f,
                                      ((stencil >> 16) & 0xFFu) / byte_scale) * a;
            const double gr = std::min(((wall >> 8) & 0xFFu) / byte_scale * f,
                                       ((stencil >> 8) & 0xFFu) / byte_scale) * a;
            const double b = std::min((wall & 0xFFu) / byte_scale * f, (stencil & 0xFFu) / byte_scale) * a;
            pixels[y * screen_width + x] =
                0xFF000000u + color_byte(r) * 65536u + color_byte(gr) * 256u + color_byte(b);
        }
    }
}
