#include "effects/effect_tunnel2.h"

#include <cmath>

bool effect_tunnel2::init() {
    return load_textures({{&tex_plane, "_glimmerock/textures/cryptic.png"}},
                         "effect_tunnel2 failed to initialize itself");
}

void effect_tunnel2::advance(float app_ms, double) {
    local_time = advance_clock(start_time, app_ms, 0.0f, 1100.0f);
}

int effect_tunnel2::run(float app_ms, double music_s) {
    return run_banded_frame(app_ms, music_s, band_layout::full_resolution,
                            [&](int first_row, int end_row, uint32_t* pixels) {
                                render_band(first_row, end_row, local_time, pixels);
                            });
}

namespace {

constexpr double byte_scale = 255.0;

// A screen row's terms: v cq and v sq.
struct plane_row {
    double v_cq;
    double v_sq;
};

}  // namespace

void effect_tunnel2::render_band(int first_row, int end_row, double t, uint32_t pixels[]) const {
    const double sway = 0.4 * std::cos(std::sin(t));
    const double drift = 0.4 * std::sin(1.5 * t);
    const double q = 0.25 * t;
    const double cq = std::cos(q);
    const double sq = std::sin(q);

    plane_row rows[screen_height];
    for (int y = first_row; y < end_row; ++y) {
        const double v = 2.0 * y / 240 - 1;
        rows[y] = {v * cq, v * sq};
    }

    for (int x = 0; x < screen_width; ++x) {
        const double u = 2.0 * x / 320 - 1;
        const double u_sq = u * sq;
        const double u_cq = u * cq;
        for (int y = first_row; y < end_row; ++y) {
            const plane_row& row = rows[y];
            // Distance from the rotated horizon; 0 on the line itself, where the
            // texture point is infinite and the texel is multiplied by 0.
            const double f = std::fabs(row.v_cq + u_sq);
            const double tu = (u_cq - row.v_sq) * 0.25 / f + q + sway;
            const double tv = 0.25 / f - q + drift;
            const uint32_t texel = tex_plane.sample(tu, tv);
            const double alpha = (texel >> 24) / byte_scale;
            const double r = ((texel >> 16) & 0xFFu) / byte_scale * f * alpha;
            const double g = ((texel >> 8) & 0xFFu) / byte_scale * f * alpha;
            const double b = (texel & 0xFFu) / byte_scale * f * alpha;
            pixels[y * screen_width + x] =
                0xFF000000u + color_byte(r) * 65536u + color_byte(g) * 256u + color_byte(b);
        }
    }
}
