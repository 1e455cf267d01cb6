#include "effects/effect_tunnel.h"

#include <cmath>

#include "effects/raymarch.h"

using namespace raymarch;

namespace {

// Music positions at which the schedule takes steps 1 to 5. Steps 1 to 4 show
// greetings 1 to 4; step 5 hides them (greeting 5 is loaded but never shown).
constexpr double greeting_thresholds[effect_tunnel::greeting_count] = {92, 95.4, 99, 102.4,
                                                                        105.6};

// Channel byte at the given shift of a pixel, as byte / 255.
double channel(uint32_t pixel, int shift) { return ((pixel >> shift) & 0xFFu) / 255.0; }

}  // namespace

bool effect_tunnel::init() {
    return load_textures({{&tex_skin, "_glimmerock/textures/bloodskin.png"},
                          {&greet[0], "_glimmerock/greets/greets-orvilane320.png"},
                          {&greet[1], "_glimmerock/greets/greets-thessmoor320.png"},
                          {&greet[2], "_glimmerock/greets/greets-quillon320.png"},
                          {&greet[3], "_glimmerock/greets/greets-dorrow320.png"},
                          {&greet[4], "_glimmerock/greets/greets-pallimer320.png"}},
                         "effect_tunnel failed to initialize itself");
}

void effect_tunnel::advance_greetings(double s) {
    while (greet_step < greeting_count && s > greeting_thresholds[greet_step]) {
        ++greet_step;
        greet_current = greet_step < greeting_count ? &greet[greet_step - 1] : nullptr;
    }
    if (s > 107) greet_current = nullptr;
}

void effect_tunnel::tick_clock(float app_ms) {
    local_time = advance_clock(start_time, app_ms, 0.0f, 1000.0f);
}

void effect_tunnel::advance(float app_ms, double music_s) {
    tick_clock(app_ms);
    advance_greetings(music_s);
}

// Not run_banded_frame: the greeting schedule steps only after the back buffer
// check, between the clock and the bands.
int effect_tunnel::run(float app_ms, double music_s) {
    tick_clock(app_ms);
    uint32_t* pixels = back_buffer_pixels();
    if (pixels == nullptr) return 1;  // the schedule waits for a frame that draws
    advance_greetings(music_s);
    auto render = [&](int first_row, int end_row) {
        render_band(first_row, end_row, local_time, pixels, music_s);
    };
    run_bands(band_layout::full_resolution, render);
    return 1;
}

void effect_tunnel::render_band(int first_row, int end_row, double t, uint32_t pixels[],
                                double s) const {
    const double pulse = std::fabs(std::sin(t));
    const double half_t = 0.5 * t;
    const double wall_v = 0.4 * t;
    const bool fading = s > 106;
    const double fade = 107 - s;
    const vdk::core::texture_gdi* const greeting = greet_current;

    double row_v[screen_height];
    for (int y = first_row; y < end_row; ++y) row_v[y - first_row] = 2.0 * y / 240 - 1;

    for (int x = 0; x < screen_width; ++x) {
        const double u = 2.0 * x / 320 - 1;
        const double u2 = u * u;
        const double greet_u = x / 320.0;
        for (int y = first_row; y < end_row; ++y) {
            const double v = row_v[y - first_row];
            const double r = std::sqrt(u2 + v * v);
            const double g = 0.5 * r * pulse;
            const double a = 0.95492965855 * std::atan2(v, u) + std::sin(0.5 * g - half_t);
            const double h = std::cos(9 * a);
            const double w = 0.5 * h + 0.5;
            // At the centre g = 0: the texel row is infinite, but k = 0 below.
            const uint32_t wall = tex_skin.sample(a + t, wall_v + 0.2 / g);
            const float o =
                static_cast<float>(smoothstep(0, 0.3, w) - smoothstep(0.5, 1, w));
            const double k = (1 - 0.6 * o * g) * (3 * g);
            color4 c{channel(wall, 16) * k, channel(wall, 8) * k, channel(wall, 0) * k,
                     channel(wall, 24) * k};
            if (greeting != nullptr) {
                const uint32_t p = greeting->sample(greet_u, y / 240.0);
                const double alpha = channel(p, 24);
                c.r += channel(p, 16) * alpha;
                c.g += channel(p, 8) * alpha;
                c.b += channel(p, 0) * alpha;
                c.i += alpha;
            }
            if (fading) {
                c.r *= fade;
                c.g *= fade;
                c.b *= fade;
                c.i *= fade;
            }
            pixels[y * screen_width + x] = pack_color(c);
        }
    }
}
