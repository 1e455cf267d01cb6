#include "effects/effect_opening_1.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__GNUC__) && defined(__x86_64__)
#include "effects/simd_lanes.h"
#define FLIGHT_WIDE_LANES 1
#endif

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

#if defined(__SSE2__)
// The fold of two coordinates at once, the same operations as fold<true>.
inline __m128d fold_pair(__m128d c) {
    const __m128d one = _mm_set1_pd(1.0);
    const __m128d two = _mm_set1_pd(2.0);
    const __m128d shifted = _mm_add_pd(c, one);
    const __m128d half = _mm_div_pd(shifted, two);
    const __m128d truncated = _mm_cvtepi32_pd(_mm_cvttpd_epi32(half));
    const __m128d floored = _mm_sub_pd(truncated, _mm_and_pd(_mm_cmpgt_pd(truncated, half), one));
    const __m128d m = _mm_sub_pd(shifted, _mm_mul_pd(two, floored));
    return _mm_andnot_pd(_mm_set1_pd(-0.0), _mm_sub_pd(m, one));
}

// The lattice distance over the four scales 1, 3, 9, 27, two scales per
// register, for coordinates below 2^26 (so that every halved, scaled
// coordinate fits a 32-bit integer). The terms are combined in scale order as
// in carved_distance, which gives the same result as its early end.
double carved_distance_4(const vec3& p) {
    const __m128d low_scales = _mm_set_pd(3.0, 1.0);
    const __m128d high_scales = _mm_set_pd(27.0, 9.0);
    const __m128d sign = _mm_set1_pd(-0.0);
    const __m128d third_pair = _mm_set1_pd(third);
    double terms[4];
    for (int half = 0; half < 2; ++half) {
        const __m128d scales = half == 0 ? low_scales : high_scales;
        const __m128d ax = fold_pair(_mm_mul_pd(_mm_set1_pd(p.x), scales));
        const __m128d ay = fold_pair(_mm_mul_pd(_mm_set1_pd(p.y), scales));
        const __m128d az = fold_pair(_mm_mul_pd(_mm_set1_pd(p.z), scales));
        // The folded values are never -0 or NaN, so these agree with std::min/max.
        const __m128d h = _mm_min_pd(_mm_min_pd(_mm_max_pd(ax, az), _mm_max_pd(az, ay)),
                                     _mm_max_pd(ay, ax));
        const __m128d term = _mm_div_pd(_mm_xor_pd(sign, _mm_sub_pd(h, third_pair)), scales);
        _mm_storeu_pd(terms + 2 * half, term);
    }
    double d = 0;
    for (double term : terms) d = std::max(d, term);
    return d;
}
#endif

#if defined(FLIGHT_WIDE_LANES)
// Wide kernels: one ray per lane, neighbouring pixels of a row side by side.
// Each lane performs the operations of march_count and the four-scale lattice
// distance in the same order; a lane that has converged keeps its position and
// its count while the others march on. The lattice distance follows its
// definition directly (with the exact floor of the wide instruction sets there
// is no range limit), so every lane gives the bits of sponge_distance.
using march_lanes_function = void (*)(const vec3& eye, double eye_distance, double hit_eps,
                                      int march_steps, const double* dir_x, const double* dir_y,
                                      const double* dir_z, int* counts);

// The kernel once per instruction set, each copy compiled for its own.
#pragma GCC push_options
#pragma GCC target("avx2")
namespace avx2_kernel {
using lanes = avx2_lanes;
#include "effects/effect_opening_1_lanes.inc"
}  // namespace avx2_kernel
#pragma GCC pop_options

#pragma GCC push_options
#pragma GCC target("avx512f")
namespace avx512_kernel {
using lanes = avx512_lanes;
#include "effects/effect_opening_1_lanes.inc"
}  // namespace avx512_kernel
#pragma GCC pop_options
#endif

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
#if defined(__SSE2__)
    constexpr double pair_reach = 67108864.0;  // 2^26
    if (fold_count == 4 && std::fabs(p.x) < pair_reach && std::fabs(p.y) < pair_reach &&
        std::fabs(p.z) < pair_reach) {
        return carved_distance_4(p);
    }
#endif
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
#if defined(FLIGHT_WIDE_LANES)
    using lattice_function = void (*)(const double*, const double*, const double*, double*);
    lattice_function wide = nullptr;
    int width = 1;
    if (set == instruction_set::avx2) {
        wide = avx2_kernel::lattice_distances;
        width = avx2_lanes::width;
    } else if (set == instruction_set::avx512) {
        wide = avx512_kernel::lattice_distances;
        width = avx512_lanes::width;
    }
    if (wide != nullptr && fold_count == 4) {
        constexpr int max_width = 8;
        for (int first = 0; first < count; first += width) {
            double x[max_width];
            double y[max_width];
            double z[max_width];
            double d[max_width];
            for (int i = 0; i < width; ++i) {
                const vec3& p = points[std::min(first + i, count - 1)];  // the last group padded
                x[i] = p.x;
                y[i] = p.y;
                z[i] = p.z;
            }
            wide(x, y, z, d);
            for (int i = 0; i < width && first + i < count; ++i) distances[first + i] = d[i];
        }
        return;
    }
#else
    (void)set;
#endif
    for (int i = 0; i < count; ++i) distances[i] = sponge_distance(points[i]);
}

void effect_opening_1::render_band(int first_row, int end_row, double t, uint32_t pixels[],
                                   double s) const {
    static const instruction_set widest = widest_instruction_set();
    render_band_with(widest, first_row, end_row, t, pixels, s);
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
#if defined(FLIGHT_WIDE_LANES)
    march_lanes_function wide = nullptr;
    int width = 1;
    if (set == instruction_set::avx2) {
        wide = avx2_kernel::march_lanes;
        width = avx2_lanes::width;
    } else if (set == instruction_set::avx512) {
        wide = avx512_kernel::march_lanes;
        width = avx512_lanes::width;
    }
    if (wide != nullptr && tabled && fold_count == 4) {
        // Every pixel is independent of the others, so rows of lanes give the
        // pixels that the column order gives.
        constexpr int max_width = 8;
        static_assert(screen_width % max_width == 0, "whole groups of lanes per row");
        for (int y = first_row; y < end_row; ++y) {
            const double v = 2.0 * y / 240 - 1;
            for (int x0 = 0; x0 < screen_width; x0 += width) {
                double dir_x[max_width];
                double dir_y[max_width];
                double dir_z[max_width];
                for (int i = 0; i < width; ++i) {
                    const vec3 ray = frame.ray(2.0 * (x0 + i) / 320 - 1, v);
                    dir_x[i] = ray.x;
                    dir_y[i] = ray.y;
                    dir_z[i] = ray.z;
                }
                int counts[max_width];
                wide(frame.eye, eye_distance, hit_eps, march_steps, dir_x, dir_y, dir_z, counts);
                for (int i = 0; i < width; ++i) pixels[y * screen_width + x0 + i] = packed[counts[i]];
            }
        }
        return;
    }
#else
    (void)set;
#endif
    for (int x = 0; x < screen_width; ++x) {
        const double u = 2.0 * x / 320 - 1;
        for (int y = first_row; y < end_row; ++y) {
            const double v = 2.0 * y / 240 - 1;
            const int g = march_count(frame.eye, eye_distance, frame.ray(u, v));
            pixels[y * screen_width + x] = tabled ? packed[g] : pack_color(palette(g, s));
        }
    }
}
