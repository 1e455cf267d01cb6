#include "effects/effect_scroller.h"

#include <cmath>

namespace {

// Channel byte at the given shift of a pixel, as byte / 255.
double channel(uint32_t pixel, int shift) { return ((pixel >> shift) & 0xFFu) / 255.0; }

constexpr double ground_weight = 0.19999999999999996;  // 1 - 0.8 as the picture weighs it

// Per-column terms: the ground and the horizontal picture coordinate of each
// kind of stripe.
struct scroller_column {
    double u;
    double ground_red;    // gr
    double ground_alpha;  // ga
    double w[3];          // by stripe_kind
};

}  // namespace

effect_scroller::stripe_kind effect_scroller::stripe_of(int y) {
    const float ty_single = static_cast<float>(y) / 240.0f;
    const double ty = ty_single;
    if (ty < 0.072) return stripe_kind::swing;
    if (ty < 0.075) return stripe_kind::still;
    if (ty_single < 0.125f) return stripe_kind::sway;
    if (ty < 0.194) return stripe_kind::swing;
    if (ty < 0.365) return stripe_kind::sway;
    if (ty < 0.42) return stripe_kind::swing;
    if (ty < 0.468) return stripe_kind::sway;
    if (ty < 0.555) return stripe_kind::swing;
    if (ty < 0.709) return stripe_kind::sway;
    if (ty < 0.749) return stripe_kind::swing;
    if (ty < 0.873) return stripe_kind::sway;
    if (ty < 0.95) return stripe_kind::swing;
    return stripe_kind::sway;
}

bool effect_scroller::init() {
    return load_textures({{&tex_grain, "_glimmerock/textures/BWST_9.png"},
                          {&tex_greet, "_glimmerock/greets/greets-krenn320.png"},
                          {&tex_stripes, "_glimmerock/2d/broad4.png"}},
                         "effect_tunnel failed to initialize itself");
}

void effect_scroller::advance(float app_ms, double) {
    local_time = advance_clock(start_time, app_ms, 0.0f, 1000.0f);
}

int effect_scroller::run(float app_ms, double music_s) {
    return run_banded_frame(app_ms, music_s, band_layout::full_resolution,
                            [&](int first_row, int end_row, uint32_t* pixels) {
                                render_band(first_row, end_row, local_time, pixels, music_s);
                            });
}

void effect_scroller::render_band(int first_row, int end_row, double t, uint32_t pixels[],
                                  double s) const {
    const double tc = t + 60;
    const double f0 = 0.3 * tc;
    const double ground_v1 = std::fabs(0.03 * tc * f0);
    const double ground_v2 = std::fabs(0.05 * tc * f0);
    const double sw = std::sin(t / 10);
    const double swing = static_cast<float>(std::fabs(3 * sw));
    const double sway = static_cast<float>(1.5 * sw);
    const double pulse = std::fabs(std::cos(std::sin(t)));
    const bool fade_in = s < 108;
    const double d = 108 - s;
    const bool fade_out = s > 120;
    const double out = 121 - s;

    struct scroller_row {
        double ty;
        int kind;
    };
    scroller_row rows[screen_height];
    for (int y = first_row; y < end_row; ++y) {
        rows[y - first_row] = {static_cast<float>(y) / 240.0f, static_cast<int>(stripe_of(y))};
    }

    for (int x = 0; x < screen_width; ++x) {
        scroller_column column;
        const double ex = x / 320.0;
        const double u = static_cast<float>(x) / 320.0f;
        const uint32_t l = tex_grain.sample(std::fabs(ex - 0.03 * tc), ground_v1);
        const uint32_t m = tex_grain.sample(std::fabs(ex - 0.05 * tc), ground_v2);
        column.u = u;
        column.ground_red = channel(l, 16) + channel(m, 16);
        column.ground_alpha = channel(l, 24) + channel(m, 24);
        column.w[static_cast<int>(stripe_kind::swing)] = (swing + u) * 0.25;
        column.w[static_cast<int>(stripe_kind::still)] = u;
        column.w[static_cast<int>(stripe_kind::sway)] = (1.5 + u + sway) * 0.25;
        const double stripe_u[3] = {column.w[0] - 0.01, column.w[1] - 0.01, column.w[2] - 0.01};

        for (int y = first_row; y < end_row; ++y) {
            const scroller_row& row = rows[y - first_row];
            const uint32_t p = tex_stripes.sample(stripe_u[row.kind], row.ty - 0.01);
            const uint32_t g = tex_greet.sample(column.u, row.ty);
            const double greet_alpha = channel(g, 24);
            const double red = (0.8 * channel(p, 16) + ground_weight * column.ground_red +
                                channel(g, 16) * greet_alpha * pulse) *
                               0.5;
            color4 c{red, (channel(g, 8) * greet_alpha * pulse + red) * 0.5,
                     (channel(g, 0) * greet_alpha * pulse + red) * 0.5,
                     ground_weight * column.ground_alpha + 0.8 * channel(p, 24)};
            if (fade_in) {
                c.r = c.r * (1 - d);
                c.g = c.g * (1 - d);
                c.b = c.b * (1 - d);
                c.i = c.i * (1 - d) + d;
            }
            if (fade_out) {
                c.r = c.r * out;
                c.g = c.g * out;
                c.b = c.b * out;
                c.i = c.i * out;
            }
            pixels[y * screen_width + x] = pack_color(c);
        }
    }
}
