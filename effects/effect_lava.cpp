#include "effects/effect_lava.h"

#include <cmath>

#include "effects/rounded_math.h"

void effect_lava::advance(float app_ms, double) {
    local_time = advance_clock(start_time, app_ms, 1000.0f, 1000.0f);
}

int effect_lava::run(float app_ms, double music_s) {
    return run_banded_frame(app_ms, music_s, band_layout::half_resolution,
                            [&](int first_row, int end_row, uint32_t* pixels) {
                                render_band(first_row, end_row, local_time, pixels, music_s);
                            });
}

namespace {

constexpr int steps = 32;

// From this difference on, exp(-K |m - prev|^2.3) is below the smallest
// single-precision value for every flicker strength K (at least 6.58), so
// the term is exactly 0 and its pow and exp can be skipped: 6.58 * 3.5^2.3 is
// about 117, well past the 104 beyond which the exponential rounds to 0 in
// single precision.
constexpr float vanishing_difference = 3.5f;
constexpr int band_rows_per_frame = screen_height / 2;

// Per-column and per-band-row terms of the kernel.
struct lava_axis {
    double coordinate;  // u or v in -1..1
    double start;       // px or py before the iteration
    double edge;        // exp(6 (|coordinate| - 1))
};

}  // namespace

void effect_lava::render_band(int first_row, int end_row, double t, uint32_t pixels[],
                              double s) const {
    const double a1 = std::sin(t / 10);
    const double a2 = std::sin(t / 12);
    const double a3 = std::sin(t * 0.0625);
    const double flicker_raw = std::sin(t) * 4373.11;
    const double h = flicker_raw - std::floor(flicker_raw);
    const float q = std::log(static_cast<float>(h + 0.000001));
    const double strength = 7 + 0.03 * q;
    const double pz0 = 0.2 * a1;

    // The step weights exp(-k/7) depend on k alone.
    float weights[steps];
    for (int k = 0; k < steps; ++k) weights[k] = static_cast<float>(std::exp(-k / 7.0));

    lava_axis rows[band_rows_per_frame];
    for (int j = first_row; j < end_row; ++j) {
        const double v = 2.0 * j / 240 - 1;
        rows[j - first_row] = {v, (240 * v / 240) * 0.25 + 0.5 + 0.2 * a2,
                               std::exp(6 * (std::fabs(v) - 1))};
    }

    for (int x = 0; x < screen_width; ++x) {
        const double u = 2.0 * x / 320 - 1;
        const double px0 = (320 * u / 240) * 0.25 + 0.5 + 0.2 * a3;
        const double ex = std::exp(6 * (std::fabs(u) - 1));
        for (int j = first_row; j < end_row; ++j) {
            const lava_axis& row = rows[j - first_row];
            double px = px0;
            double py = row.start;
            double pz = pz0;
            double prev = 0;
            double acc = 0;
            double tw = 0;
            for (int k = 0; k < steps; ++k) {
                const double m = px * px + py * py + pz * pz;
                px = std::fabs(px) / m - 0.5;
                py = std::fabs(py) / m - 0.4;
                pz = std::fabs(pz) / m - 1.5;
                const float w = weights[k];
                const float difference = static_cast<float>(std::fabs(m - prev));
                float term = 0.0f;
                if (difference < vanishing_difference) {
                    const float power = rounded_pow(difference, 2.3f);
                    const float exponent = static_cast<float>(-strength * power);
                    term = rounded_exp(exponent);
                }
                acc = acc + w * term;
                tw = tw + w;
                prev = m;
            }
            const double n = std::fmax(0.0, 5 * acc / tw - 0.7);
            const double mm = (1 - ex) * (1 - row.edge);
            const double f = 0.4 * (1 - mm) + mm;
            color4 c{1.8 * n * f, 1.4 * n * n * f, n * n * f, f};
            if (s < 123) {
                const double d = (123 - s) * 0.5;
                c.r = c.r * (1 - d);
                c.g = c.g * (1 - d);
                c.b = c.b * (1 - d);
                c.i = c.i * (1 - d) + d;
            }
            if (s > 149) {
                const double d = s - 149;
                c.r = c.r * (1 - d);
                c.g = c.g * (1 - d);
                c.b = c.b * (1 - d);
                c.i = c.i * (1 - d);
            }
            const uint32_t pixel = pack_color(c);
            pixels[(2 * j) * screen_width + x] = pixel;
            pixels[(2 * j + 1) * screen_width + x] = pixel;
        }
    }
}
