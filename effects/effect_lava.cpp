#include "effects/effect_lava.h"

#include <cmath>

#include "effects/rounded_math.h"
#include "effects/simd_lanes.h"

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

// What a frame depends on besides the pixel: the flicker strength, the start
// of the iteration, the step weights and the per-column terms.
struct lava_frame {
    double strength;
    double pz0;
    float weights[steps];          // exp(-k/7), by k alone
    double total_weight;           // the weights summed in step order
    double column_start[screen_width];  // px before the iteration
    double column_edge[screen_width];   // exp(6 (|u| - 1))

    explicit lava_frame(double t) {
        const double a1 = std::sin(t / 10);
        const double a3 = std::sin(t * 0.0625);
        const double flicker_raw = std::sin(t) * 4373.11;
        const double h = flicker_raw - std::floor(flicker_raw);
        const float q = std::log(static_cast<float>(h + 0.000001));
        strength = 7 + 0.03 * q;
        pz0 = 0.2 * a1;
        total_weight = 0;
        for (int k = 0; k < steps; ++k) {
            weights[k] = static_cast<float>(std::exp(-k / 7.0));
            total_weight = total_weight + weights[k];
        }
        for (int x = 0; x < screen_width; ++x) {
            const double u = 2.0 * x / 320 - 1;
            column_start[x] = (320 * u / 240) * 0.25 + 0.5 + 0.2 * a3;
            column_edge[x] = std::exp(6 * (std::fabs(u) - 1));
        }
    }
};

// Per-band-row terms of the kernel.
struct lava_row {
    double start;  // py before the iteration
    double edge;   // exp(6 (|v| - 1))
};

// The weighted sum of the terms of the iteration from (px, py, pz0): the
// scalar kernel, one pixel at a time.
double accumulate(const lava_frame& frame, double px, double py) {
    double pz = frame.pz0;
    double prev = 0;
    double acc = 0;
    for (int k = 0; k < steps; ++k) {
        const double m = px * px + py * py + pz * pz;
        px = std::fabs(px) / m - 0.5;
        py = std::fabs(py) / m - 0.4;
        pz = std::fabs(pz) / m - 1.5;
        const float w = frame.weights[k];
        const float difference = static_cast<float>(std::fabs(m - prev));
        float term = 0.0f;
        if (difference < vanishing_difference) {
            const float power = rounded_pow(difference, 2.3f);
            const float exponent = static_cast<float>(-frame.strength * power);
            term = rounded_exp(exponent);
        }
        acc = acc + w * term;
        prev = m;
    }
    return acc;
}

// The pixel of a weighted sum, with the edges darkened and the fades.
uint32_t lava_pixel(const lava_frame& frame, double acc, double column_edge, double row_edge, double s) {
    const double n = std::fmax(0.0, 5 * acc / frame.total_weight - 0.7);
    const double mm = (1 - column_edge) * (1 - row_edge);
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
    return pack_color(c);
}

// Columns that go through the passes of the vector kernels together: 16
// measured the fastest on every set (8 was 1.1x slower with AVX-512 and 1.4x
// with SSE2, 32 no faster).
constexpr int lava_group_columns = 16;

// Vector kernels: accumulate for a whole band row, one column per lane.
using row_function = void (*)(const lava_frame& frame, double row_start, double accumulated[]);

#define LANE_KERNEL "effects/effect_lava_lanes.inc"
#define LANE_KERNEL_SETS LANE_VECTOR_SETS
#include "effects/lane_kernels.h"
// The scalar set draws with accumulate itself.
constexpr kernel_table<row_function> row_copies = LANE_KERNEL_COPIES(nullptr, accumulate_row);

}  // namespace

void effect_lava::render_band(int first_row, int end_row, double t, uint32_t pixels[],
                              double s) const {
    render_band_with(chosen_instruction_set(), first_row, end_row, t, pixels, s);
}

void effect_lava::render_band_with(instruction_set set, int first_row, int end_row, double t,
                                   uint32_t pixels[], double s) const {
    const lava_frame frame(t);
    const double a2 = std::sin(t / 12);
    lava_row rows[band_rows_per_frame];
    for (int j = first_row; j < end_row; ++j) {
        const double v = 2.0 * j / 240 - 1;
        rows[j - first_row] = {(240 * v / 240) * 0.25 + 0.5 + 0.2 * a2, std::exp(6 * (std::fabs(v) - 1))};
    }
    auto write = [&](int x, int j, double acc) {
        const uint32_t pixel = lava_pixel(frame, acc, frame.column_edge[x], rows[j - first_row].edge, s);
        pixels[(2 * j) * screen_width + x] = pixel;
        pixels[(2 * j + 1) * screen_width + x] = pixel;
    };
    const row_function lanes = row_copies[set];
    if (lanes != nullptr) {
        // Every pixel is independent of the others, so rows of lanes give the
        // pixels that the column order gives.
        for (int j = first_row; j < end_row; ++j) {
            double accumulated[screen_width];
            lanes(frame, rows[j - first_row].start, accumulated);
            for (int x = 0; x < screen_width; ++x) write(x, j, accumulated[x]);
        }
        return;
    }
    for (int x = 0; x < screen_width; ++x) {
        for (int j = first_row; j < end_row; ++j) {
            write(x, j, accumulate(frame, frame.column_start[x], rows[j - first_row].start));
        }
    }
}
