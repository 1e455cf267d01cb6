#include "effects/effect_opening_2.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "effects/raymarch.h"
#include "effects/rounded_math.h"
#include "effects/simd_lanes.h"

using namespace raymarch;

namespace {

double fract(double z) { return z - std::floor(z); }

// The feature points of the 3 x 3 cells around cell (cx, cy), in the order
// the search visits them (dy outer, dx inner), each as its offset from the
// centre cell's corner: ox + dx and oy + dy, the first addition of the
// distance. They depend only on the integer cell, so neighbouring pixels in
// the same cell share one computation.
struct cell_neighbourhood {
    double cx = std::numeric_limits<double>::quiet_NaN();
    double cy = std::numeric_limits<double>::quiet_NaN();
    double px[9];  // ox + dx
    double py[9];  // oy + dy

    void compute(double cell_x, double cell_y) {
        cx = cell_x;
        cy = cell_y;
        int n = 0;
        for (int dy = -1; dy <= 1; ++dy) {
            for (int dx = -1; dx <= 1; ++dx) {
                const double gx = cell_x + dx;
                const double gy = cell_y + dy;
                px[n] = fract(std::sin(591.32 * gx + 154.077 * gy)) + dx;
                py[n] = fract(std::cos(391.32 * gx + 49.077 * gy)) + dy;
                ++n;
            }
        }
    }
};

// The smallest and second smallest of the nine distances (the second equal
// to the first when the smallest occurs twice). Every distance lies below 2,
// so this is what a search keeping the two nearest from a start of 8 finds
// in any order; without branches the compiler keeps it in vector registers.
effect_opening_2::feature_distances nearest_two(const cell_neighbourhood& cells, double fx,
                                                double fy) {
    float d[9];
    for (int n = 0; n < 9; ++n) {
        const double ax = std::fabs(cells.px[n] - fx);
        const double ay = std::fabs(cells.py[n] - fy);
        d[n] = static_cast<float>(ax < ay ? ay : ax);
    }
    float f1 = 8.0f;
    float f2 = 8.0f;
    for (int n = 0; n < 9; ++n) {
        const float high = f1 < d[n] ? d[n] : f1;  // max(f1, d)
        f2 = f2 < high ? f2 : high;                // min(f2, max(f1, d))
        f1 = f1 < d[n] ? f1 : d[n];                // min(f1, d)
    }
    return {f1, f2};
}

// cell_noise through a neighbourhood kept from the previous call: recomputed
// only when the point has moved into another cell.
effect_opening_2::feature_distances cached_cell_noise(double px, double py,
                                                      cell_neighbourhood& cells) {
    const double cx = std::floor(px);
    const double cy = std::floor(py);
    if (!(cx == cells.cx && cy == cells.cy)) cells.compute(cx, cy);
    return nearest_two(cells, px - cx, py - cy);
}

// hash1 of the integers 0..6, the arguments the cell shading can take.
constexpr int hash_table_size = 7;

// The cell shading M from the pattern gap F2 - F1.
double cell_shade(double gap, const double (&hashes)[hash_table_size]) {
    const double e3 = gap / 0.3;
    if (e3 < 0) return 0.45802709751405957;
    if (e3 > 1) return 0.05462177020381205;
    const double z = (1 - e3 * e3 * (3 - 2 * e3)) * 5.5 + 0.1;
    const double n = std::floor(z);
    const double f = z - n;
    const int index = static_cast<int>(n);
    const double h0 = index >= 0 && index < hash_table_size ? hashes[index]
                                                            : effect_opening_2::hash1(n);
    const double h1 = index + 1 >= 0 && index + 1 < hash_table_size
                          ? hashes[index + 1]
                          : effect_opening_2::hash1(n + 1);
    return h0 * (1 - f) + h1 * f;
}

// Per-column terms: the rotated horizontal coordinate and the vignette's u.
struct cell_column {
    double u;
    double a_cos;  // a cos(turn)
    double a_sin;  // a sin(turn)
};

// Per-row terms.
struct cell_row {
    double v;
    double b_sin;  // b sin(turn)
    double b_cos;  // b cos(turn)
};

}  // namespace

double effect_opening_2::hash1(double n) { return fract(43758.5453123 * std::sin(n)); }

effect_opening_2::feature_distances effect_opening_2::cell_noise(double px, double py) {
    cell_neighbourhood cells;
    cells.compute(std::floor(px), std::floor(py));
    return nearest_two(cells, px - std::floor(px), py - std::floor(py));
}

float effect_opening_2::border_q(double pattern_gap) {
    return static_cast<float>(1 - smoothstep(0, 0.1, pattern_gap));
}

double effect_opening_2::border_j(double layer_gap) {
    return 1 - smoothstep(0, 0.08, layer_gap) + 0.5;
}

effect_opening_2::frame_terms effect_opening_2::terms_at(double x, double s) {
    frame_terms terms{};
    const double n = std::floor(2 * x);
    const double e = 2 * x - n;
    terms.strength = (hash1(n) * (1 - e) + hash1(n + 1) * e) * 0.8 + 0.4;
    terms.zoom = 0.6 + 0.4 * std::sin(0.1 * x);
    const double turn = std::sin(0.3 * x);
    terms.cos_turn = std::cos(turn);
    terms.sin_turn = std::sin(turn);
    terms.drift = 0.4 * x;
    terms.layer_offset = s > 100 ? 123.2 * std::sin(x) : 0.2 * x;
    terms.to_white = 69 < s && s < 72;
    terms.white = 1 - (70 - s);
    terms.first_factor = s > 219;
    terms.factor_1 = 1 - (1 - (220 - s));
    terms.second_factor = s > 233;
    terms.factor_2 = 1 - (1 - (234 - s));
    return terms;
}

color4 effect_opening_2::apply_fades(const frame_terms& terms, color4 c) {
    if (terms.to_white) {
        const double k = terms.white;
        c.r = c.r * (1 - k) + k;
        c.g = c.g * (1 - k) + k;
        c.b = c.b * (1 - k) + k;
    }
    if (terms.first_factor) {
        const double f = terms.factor_1;
        c.r = c.r * f;
        c.g = c.g * f;
        c.b = c.b * f;
        c.i = c.i * f;
    }
    if (terms.second_factor) {
        const double f = terms.factor_2;
        c.r = c.r * f;
        c.g = c.g * f;
        c.b = c.b * f;
        c.i = c.i * f;
    }
    return c;
}

bool effect_opening_2::init() {
    return load_textures({{&tex_background, "_glimmerock/2d/corridor.png"},
                          {&tex_noise, "_glimmerock/textures/BWST_1.png"}},
                         "Effect_Intro_Pello failed to initialize itself");
}

void effect_opening_2::advance(float app_ms, double) {
    local_time = advance_clock(start_time, app_ms, 0.0f, 1000.0f);
}

int effect_opening_2::run(float app_ms, double music_s) {
    return run_banded_frame(app_ms, music_s, band_layout::full_resolution,
                            [&](int first_row, int end_row, uint32_t* pixels) {
                                render_band(first_row, end_row, local_time, pixels, music_s);
                            });
}

namespace {

// Everything the pixel loop reads, prepared once per band.
struct cell_band {
    effect_opening_2::frame_terms terms;
    const vdk::core::texture_gdi* tint;
    int first_row;
    int end_row;
    uint32_t* pixels;
    double hashes[hash_table_size];
    // The tint exponents (byte/255 * 3 + base) * 2.4 of each channel byte.
    float red_power[256];
    float green_power[256];
    float blue_power[256];
    cell_column columns[screen_width];
    cell_row rows[screen_height];  // from first_row on
};

using cells_function = void (*)(const cell_band& band);

// The scalar kernel, column by column.
#define LANE_KERNEL "effects/effect_opening_2_cells.inc"
#define LANE_KERNEL_SETS LANE_SET_SCALAR
#include "effects/lane_kernels.h"

// The vector kernels, a row at a time with one column per lane.
#define LANE_KERNEL "effects/effect_opening_2_lanes.inc"
#define LANE_KERNEL_SETS LANE_VECTOR_SETS
#include "effects/lane_kernels.h"
constexpr kernel_table<cells_function> cells_copies =
    LANE_KERNEL_COPIES(&scalar_kernel::draw_cells, draw_cells);

using powers_function = void (*)(const double*, const double*, double*, int);
constexpr kernel_table<powers_function> powers_copies = LANE_KERNEL_COPIES(nullptr, tint_powers);

}  // namespace

void effect_opening_2::tint_powers(instruction_set set, const double bases[], const double exponents[],
                                   double powers[], int count) {
    const powers_function lanes = powers_copies[set];
    if (lanes != nullptr) {
        lanes(bases, exponents, powers, count);
        return;
    }
    for (int i = 0; i < count; ++i) {
        powers[i] = rounded_pow(static_cast<float>(bases[i]), static_cast<float>(exponents[i]));
    }
}

void effect_opening_2::render_band(int first_row, int end_row, double x, uint32_t pixels[],
                                   double s) const {
    render_band(first_row, end_row, x, pixels, s, chosen_instruction_set());
}

void effect_opening_2::render_band(int first_row, int end_row, double x, uint32_t pixels[],
                                   double s, instruction_set set) const {
    cell_band band;
    band.terms = terms_at(x, s);
    band.tint = &tex_background;
    band.first_row = first_row;
    band.end_row = end_row;
    band.pixels = pixels;
    const frame_terms& terms = band.terms;
    const double zoom = terms.zoom;

    for (int n = 0; n < hash_table_size; ++n) band.hashes[n] = hash1(n);
    for (int b = 0; b < 256; ++b) {
        band.red_power[b] = static_cast<float>((b / 255.0 * 3 + 1) * 2.4);
        band.green_power[b] = static_cast<float>((b / 255.0 * 3 + 2) * 2.4);
        band.blue_power[b] = static_cast<float>((b / 255.0 * 3 + 4) * 2.4);
    }
    for (int i = 0; i < screen_width; ++i) {
        const double u = 2 * (i / 320.0 - 0.5);
        const double a = u * (4.0 / 3.0) * zoom;
        band.columns[i] = {u, a * terms.cos_turn, a * terms.sin_turn};
    }
    for (int j = first_row; j < end_row; ++j) {
        const double v = 2 * (j / 240.0 - 0.5);
        const double b = zoom * v;
        band.rows[j - first_row] = {v, b * terms.sin_turn, b * terms.cos_turn};
    }

    cells_copies[set](band);
}
