#include "effects/effect_opening_1.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "effects/simd_lanes.h"

using namespace raymarch;

namespace {

// floor(x) without a library call, for |x| < 2^52. Identical to std::floor
// except that -0 gives +0 (the fold below takes |m - 1|, so the sign of a zero
// does not matter).
inline double floor_in_range(double x) {
    const double truncated = static_cast<double>(static_cast<int64_t>(x));
    return truncated - static_cast<double>(truncated > x);  // no branch to mispredict
}

// A coordinate folded into its cell: |m - 1| with m = (c + 1) mod 2.
template <bool InRange>
inline double fold(double c) {
    const double shifted = c + 1;
    const double half = shifted / 2;
    const double m = shifted - 2 * (InRange ? floor_in_range(half) : std::floor(half));
    return std::fabs(m - 1);
}

constexpr int palette_capacity = 256;
constexpr double third = 1.0 / 3;

// The lattice distance over 'count' scales 1, 3, 9, ...; Fixed > 0 fixes the
// count at compile time so that the scales unroll. InRange: every scaled
// coordinate is within the range of floor_in_range.
template <bool InRange, int Fixed>
double carved_distance(const vec3& p, int count) {
    if (Fixed > 0) count = Fixed;
    double d = 0;
    double scale = 1;
    for (int k = 0; k < count; ++k) {
        // A scale's term is at most (1/3) / scale, and the bound shrinks with
        // the scale: once d reaches it, no further scale can raise d.
        if (k > 0 && d >= third / scale) break;
        const double ax = fold<InRange>(p.x * scale);
        const double ay = fold<InRange>(p.y * scale);
        const double az = fold<InRange>(p.z * scale);
        const double h = std::min(std::min(std::max(ax, az), std::max(az, ay)), std::max(ay, ax));
        d = std::max(d, -(h - third) / scale);
        scale *= 3;
    }
    return d;
}


// Vector kernels: one ray per lane, neighbouring pixels of a row side by side.
// Each lane performs the operations of march_count and the four-scale lattice
// distance in the same order; a lane that has converged keeps its position and
// its count while the others march on. The lattice distance follows its
// definition directly (with the exact floor of the lanes there is no range
// limit), so every lane gives the bits of sponge_distance.
using march_lanes_function = void (*)(const vec3& eye, double eye_distance, double hit_eps,
                                      int march_steps, const double* dir_x, const double* dir_y,
                                      const double* dir_z, int* counts, int count);
using lattice_function = void (*)(const double* x, const double* y, const double* z,
                                  double* distances, int count);

// Rays that march side by side in the vector kernels: as many registers as
// make eight lanes, and at least two (so up to sixteen lanes).
constexpr int march_group_lanes = 8;
constexpr int max_march_group = 16;

#define LANE_KERNEL "effects/effect_opening_1_lanes.inc"
#define LANE_KERNEL_SETS LANE_VECTOR_SETS
#include "effects/lane_kernels.h"
// The scalar set draws with march_count and sponge_distance themselves.
constexpr kernel_table<march_lanes_function> march_copies = LANE_KERNEL_COPIES(nullptr, march_lanes);
constexpr kernel_table<lattice_function> lattice_copies =
    LANE_KERNEL_COPIES(nullptr, lattice_distances);
// The widest lanes any copy has: rows are whole groups of every set's lanes.
constexpr int max_width = 8;
static_assert(screen_width % max_width == 0 && screen_width % max_march_group == 0,
              "whole groups of lanes per row");

}  // namespace

flight_frame::flight_frame(double t, double music_s) {
    const double sin_t = std::sin(t);
    eye = {0.16 * sin_t, 0.16 * sin_t, music_s <= 200 ? t : 2.3 * sin_t};
    const double theta = std::cos(t);
    const double phi = std::sin(t / 7) * 2 * 3.141592653589793;
    cos_theta = std::cos(theta);
    sin_theta = std::sin(theta);
    cos_phi = std::cos(phi);
    sin_phi = std::sin(phi);
}

vec3 flight_frame::ray(double u, double v) const {
    const double tilted = u * sin_theta + 0.75 * v * cos_theta;
    return normalize(vec3{u * cos_theta - 0.75 * v * sin_theta, tilted * cos_phi - sin_phi,
                          tilted * sin_phi + cos_phi});
}

bool effect_opening_1::init() {
    return load_textures({{&tex_noise, "_glimmerock/textures/BWST_1.png"}},
                         "effect_opening_1 failed to initialize itself");
}

void effect_opening_1::advance(float app_ms, double) {
    local_time = advance_clock(start_time, app_ms, 0.0f, 1000.0f);
}

int effect_opening_1::run(float app_ms, double music_s) {
    return run_banded_frame(app_ms, music_s, band_layout::full_resolution,
                            [&](int first_row, int end_row, uint32_t* pixels) {
                                render_band(first_row, end_row, local_time, pixels, music_s);
                            });
}

double effect_opening_1::sponge_distance(const vec3& p) const {
    // With four scales the largest is 27: coordinates below 2^40 stay in range.
    constexpr double reach = 1099511627776.0;
    if (fold_count == 4 && std::fabs(p.x) < reach && std::fabs(p.y) < reach &&
        std::fabs(p.z) < reach) {
        return carved_distance<true, 4>(p, 4);
    }
    return carved_distance<false, 0>(p, fold_count);
}

int effect_opening_1::march_count(const vec3& eye, double eye_distance,
                                  const vec3& direction) const {
    double d = eye_distance;
    vec3 p = eye;
    int g = 0;
    // Once converged the position stays, so the remaining steps change nothing.
    for (int l = 0; l < march_steps && !(d < hit_eps); ++l) {
        p = p + d * direction;
        d = sponge_distance(p);
        g = l;
    }
    return g;
}

color4 effect_opening_1::palette(int steps, double s) const {
    const double q = std::sqrt(static_cast<double>(steps) / march_steps);
    color4 c{0.4 * (0.5 * std::cos((0.8 + q) * 6.28318) + 0.5),
             0.4 * (0.5 * std::cos((0.9 + q) * 6.28318) + 0.5),
             0.4 * (0.5 * std::cos((0.3 + 0.5 * q) * 6.28318) + 0.5), 1};
    if (s > 54 && s < 72) {
        const double k = 1 - (55 - s);
        c.r = c.r * (1 - k) + k;
        c.g = c.g * (1 - k) + k;
        c.b = c.b * (1 - k) + k;
    }
    if (s > 212) {
        const double w = 1 - (1 - (213 - s));
        c.r = c.r * w;
        c.g = c.g * w;
        c.b = c.b * w;
        c.i = c.i * w;
    }
    return c;
}

void effect_opening_1::sponge_distances_with(instruction_set set, const vec3 points[], int count,
                                             double distances[]) const {
    const lattice_function lanes = lattice_copies[set];
    if (lanes == nullptr || fold_count != 4) {
        for (int i = 0; i < count; ++i) distances[i] = sponge_distance(points[i]);
        return;
    }
    constexpr int chunk = 64;
    for (int first = 0; first < count; first += chunk) {
        const int n = std::min(chunk, count - first);
        double x[chunk];
        double y[chunk];
        double z[chunk];
        for (int i = 0; i < n; ++i) {
            x[i] = points[first + i].x;
            y[i] = points[first + i].y;
            z[i] = points[first + i].z;
        }
        lanes(x, y, z, distances + first, n);
    }
}

void effect_opening_1::render_band(int first_row, int end_row, double t, uint32_t pixels[],
                                   double s) const {
    render_band_with(chosen_instruction_set(), first_row, end_row, t, pixels, s);
}

void effect_opening_1::render_band_with(instruction_set set, int first_row, int end_row, double t,
                                        uint32_t pixels[], double s) const {
    const flight_frame frame(t, s);
    const double eye_distance = sponge_distance(frame.eye);
    // A pixel's colour depends only on its step count: pack each count once.
    uint32_t packed[palette_capacity];
    const bool tabled = march_steps > 0 && march_steps <= palette_capacity;
    if (tabled) {
        for (int g = 0; g < march_steps; ++g) packed[g] = pack_color(palette(g, s));
    }
    const march_lanes_function lanes = march_copies[set];
    if (lanes != nullptr && tabled && fold_count == 4) {
        // Every pixel is independent of the others, so rows of lanes give the
        // pixels that the column order gives.
        for (int y = first_row; y < end_row; ++y) {
            const double v = 2.0 * y / 240 - 1;
            double dir_x[screen_width];
            double dir_y[screen_width];
            double dir_z[screen_width];
            for (int x = 0; x < screen_width; ++x) {
                const vec3 ray = frame.ray(2.0 * x / 320 - 1, v);
                dir_x[x] = ray.x;
                dir_y[x] = ray.y;
                dir_z[x] = ray.z;
            }
            int counts[screen_width];
            lanes(frame.eye, eye_distance, hit_eps, march_steps, dir_x, dir_y, dir_z, counts,
                  screen_width);
            for (int x = 0; x < screen_width; ++x) pixels[y * screen_width + x] = packed[counts[x]];
        }
        return;
    }
    for (int x = 0; x < screen_width; ++x) {
        const double u = 2.0 * x / 320 - 1;
        for (int y = first_row; y < end_row; ++y) {
            const double v = 2.0 * y / 240 - 1;
            const int g = march_count(frame.eye, eye_distance, frame.ray(u, v));
            pixels[y * screen_width + x] = tabled ? packed[g] : pack_color(palette(g, s));
        }
    }
}
