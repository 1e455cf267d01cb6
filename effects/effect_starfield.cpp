#include "effects/effect_starfield.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <mutex>
#include <type_traits>

#include "effects/simd_lanes.h"


bool effect_starfield::init() {
    // Measures the quotients now rather than in the first frame.
    starfield_chosen_quotients(chosen_instruction_set());
    return true;
}


void effect_starfield::advance(float app_ms, double) {
    local_time = advance_clock(start_time, app_ms, 0.0f, 500.0f);
}

int effect_starfield::run(float app_ms, double music_s) {
    return run_banded_frame(app_ms, music_s, band_layout::half_resolution,
                            [&](int first_row, int end_row, uint32_t* pixels) {
                                starfield_render_band(first_row, end_row, local_time, pixels, music_s);
                            });
}

namespace {

constexpr int march_steps = 80;
constexpr int folds = 10;
constexpr int block_columns = screen_width / 2;

// Rays marched side by side: the blocks of columns i0 .. i0 + group_lanes - 1
// of one band row. Each lane performs exactly the operations of a single ray,
// in the same order; the lanes only let the processor use vector instructions.
constexpr int group_lanes = 16;
static_assert(block_columns % group_lanes == 0, "whole groups of lanes per band row");

// What a march step needs that depends on the step and the frame only.
struct march_step {
    double h;      // distance along the ray: 0.01 k
    double pz;     // the z of the sample point, the same for every ray
    double fade;   // depth fade w^2 (3 - 2w) with w = (0.9 - h) 2; 1 when w > 1
    double green;  // 1.1 - 0.5 h
};

struct lane_rays {
    double dx[group_lanes];
    double dy[group_lanes];
};

struct lane_sums {
    double r[group_lanes];
    double g[group_lanes];
    double b[group_lanes];
};

// Density summed along each ray through the folded space.
inline void march_lanes(const lane_rays& rays, double yo, const march_step* steps,
                        lane_sums& sums) {
    double a[group_lanes] = {};
    double sum_r[group_lanes] = {};
    double sum_g[group_lanes] = {};
    double sum_b[group_lanes] = {};
    for (int k = 0; k < march_steps; ++k) {
        const march_step& step = steps[k];
        double px[group_lanes];
        double py[group_lanes];
        double pz[group_lanes];
        for (int l = 0; l < group_lanes; ++l) {
            px[l] = rays.dx[l] * step.h + 0.25;
            py[l] = rays.dy[l] * step.h + yo;
            pz[l] = step.pz;
        }
        for (int fold = 0; fold < folds; ++fold) {
            for (int l = 0; l < group_lanes; ++l) {
                const double d = px[l] * px[l] + py[l] * py[l] + pz[l] * pz[l];
                px[l] = std::fabs(2.04 * px[l]) / d - 0.75;
                py[l] = std::fabs(2.04 * py[l]) / d - 0.75;
                pz[l] = std::fabs(2.04 * pz[l]) / d - 0.75;
            }
        }
        double fourth_powers[group_lanes];
        for (int l = 0; l < group_lanes; ++l) {
            fourth_powers[l] = (px[l] * px[l]) * (px[l] * px[l]) + (py[l] * py[l]) * (py[l] * py[l]) +
                               (pz[l] * pz[l]) * (pz[l] * pz[l]);
        }
        for (int l = 0; l < group_lanes; ++l) {
            const double e = std::sqrt(fourth_powers[l]) * step.fade;
            a[l] = a[l] + 0.002 * e;
            sum_b[l] = sum_b[l] + (0.5 * a[l] + 0.7) * a[l] * 0.013;
            sum_g[l] = sum_g[l] + step.green * a[l] * 0.013;
            sum_r[l] = sum_r[l] + 0.8 * (a[l] * a[l]) * 0.013;
        }
    }
    for (int l = 0; l < group_lanes; ++l) {
        sums.r[l] = sum_r[l];
        sums.g[l] = sum_g[l];
        sums.b[l] = sum_b[l];
    }
}

using march_function = void (*)(const lane_rays&, double, const march_step*, lane_sums&);

// The scalar march, vectorised by the compiler as far as the target's
// baseline goes.
VDK_FLATTEN void march_scalar(const lane_rays& rays, double yo, const march_step* steps,
                               lane_sums& sums) {
    march_lanes(rays, yo, steps, sums);
}

// The march once per vector instruction set, with the operations written out
// per register: left to the compiler, the square root (which may set errno)
// keeps the end of each step scalar.
#define LANE_KERNEL "effects/effect_starfield_lanes.inc"
#define LANE_KERNEL_SETS LANE_VECTOR_SETS
#include "effects/lane_kernels.h"
constexpr kernel_table<march_function> march_copies = LANE_KERNEL_COPIES(&march_scalar, march_group);
constexpr kernel_table<march_function> divided_reciprocal_copies =
    LANE_KERNEL_COPIES(&march_scalar, march_group_divided_reciprocal);
constexpr kernel_table<march_function> mixed_copies = LANE_KERNEL_COPIES(&march_scalar, march_group_mixed);
constexpr kernel_table<march_function> estimated_reciprocal_copies =
    LANE_KERNEL_COPIES(&march_scalar, march_group_estimated_reciprocal);

using division_function = double (*)(long count, double divisor);

// divide_independently once per set, the scalar one included.
#define LANE_KERNEL "effects/independent_divisions_lanes.inc"
#define LANE_KERNEL_SETS (LANE_VECTOR_SETS | LANE_SET_SCALAR)
#include "effects/lane_kernels.h"
constexpr kernel_table<division_function> division_copies =
    LANE_KERNEL_COPIES(&scalar_kernel::divide_independently, divide_independently);

// The march of a set with its quotients taken one way.
march_function march_of(instruction_set set, starfield_quotients quotients) {
    switch (quotients) {
        case starfield_quotients::divided_reciprocal: return divided_reciprocal_copies[set];
        case starfield_quotients::mixed: return mixed_copies[set];
        case starfield_quotients::estimated_reciprocal: return estimated_reciprocal_copies[set];
        case starfield_quotients::divide: break;
    }
    return march_copies[set];
}

constexpr starfield_quotients every_way[] = {starfield_quotients::divide, starfield_quotients::divided_reciprocal,
                                             starfield_quotients::mixed, starfield_quotients::estimated_reciprocal};

// What a frame depends on besides the block: the turn and offset of the view,
// the fade, the march steps, and the per-column terms of the directions.
struct starfield_frame {
    double xo;
    double yo;
    float cb;
    float sc;
    bool fading;
    double fade_out;
    march_step steps[march_steps];
    double sc_gx[block_columns];
    double cb_gx[block_columns];

    starfield_frame(double t, double s) {
        const double frame_time = (t + 29) * 60;
        const float b = static_cast<float>(0.005 * frame_time);
        xo = 0.5 * std::sin(static_cast<double>(b));
        cb = static_cast<float>(std::cos(static_cast<double>(b)));
        sc = static_cast<float>(std::sin(2.17 + b));
        const double zo = std::floor(frame_time) * 0.0008;
        yo = 0.4 * std::sin(0.001 * frame_time) + 0.25;
        fading = s > 264.5;
        fade_out = 265.5 - s;
        // The z of every sample point depends on the step and the frame only.
        for (int k = 0; k < march_steps; ++k) {
            const double h = 0.01 * k;
            const double w = (0.9 - h) * 2;
            // h stays below 0.8, so w is at least 0.2 and never negative.
            steps[k] = {h, std::fmod(0.143 * h + zo, 2), w > 1 ? 1.0 : w * w * (3 - 2 * w),
                        1.1 - 0.5 * h};
        }
        for (int i = 0; i < block_columns; ++i) {
            const double gx = (2.0 * i / 160 - 1) * 160 / 120 + xo;
            sc_gx[i] = sc * gx;
            cb_gx[i] = cb * gx;
        }
    }
};

// The colour records of the blocks of band row j, fade included.
void row_records(const starfield_frame& frame, march_function march, int j, color4 records[]) {
    const double vy = 2.0 * j / 120 - 1;
    const double sc_vy = frame.sc * vy;
    const double cb_vy = frame.cb * vy;
    for (int i0 = 0; i0 < block_columns; i0 += group_lanes) {
        lane_rays rays;
        for (int l = 0; l < group_lanes; ++l) {
            rays.dx[l] = sc_vy + frame.cb_gx[i0 + l];
            rays.dy[l] = cb_vy - frame.sc_gx[i0 + l];
        }
        lane_sums sums;
        march(rays, frame.yo, frame.steps, sums);
        for (int l = 0; l < group_lanes; ++l) {
            color4 c{sums.r[l], sums.g[l], sums.b[l], 1};
            if (frame.fading) {
                c.r = c.r * frame.fade_out;
                c.g = c.g * frame.fade_out;
                c.b = c.b * frame.fade_out;
                c.i = c.i * frame.fade_out;
            }
            records[i0 + l] = c;
        }
    }
}

// Every way of a set on a few band rows of one frame, in turn, a few times
// over: the one with the shortest best time (the best of each row, so that
// a moment the processor is taken from the program costs no way its turn).
// Only the speed depends on it.
starfield_quotients measure_quotients(instruction_set set) {
    const starfield_frame frame(7.4, 165.7);
    color4 records[block_columns];
    constexpr int rows = 4;
    double best[std::size(every_way)][rows];
    for (auto& way_best : best) std::fill(std::begin(way_best), std::end(way_best), 1e30);
    for (int round = 0; round < 5; ++round) {
        for (size_t w = 0; w < std::size(every_way); ++w) {
            const march_function march = march_of(set, every_way[w]);
            for (int row = 0; row < rows; ++row) {
                const auto start = std::chrono::steady_clock::now();
                row_records(frame, march, 40 + 10 * row, records);
                const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
                best[w][row] = std::min(best[w][row], took.count());
            }
        }
    }
    size_t fastest = 0;
    double fastest_total = 1e30;
    for (size_t w = 0; w < std::size(every_way); ++w) {
        double total = 0;
        for (const double t : best[w]) total += t;
        if (total < fastest_total) {
            fastest = w;
            fastest_total = total;
        }
    }
    return every_way[fastest];
}

// The record with all four components, brightness included, scaled by factor.
uint32_t block_pixel(const color4& c, double factor) {
    return pack_color({c.r * factor, c.g * factor, c.b * factor, c.i * factor});
}

}  // namespace

void starfield_write_block(const color4& record, int i, int j, uint32_t pixels[]) {
    uint32_t* top = pixels + (2 * j) * screen_width + 2 * i;
    uint32_t* bottom = top + screen_width;
    top[0] = block_pixel(record, 1);
    top[1] = block_pixel(record, 1.5);
    bottom[1] = block_pixel(record, 0.8);
    bottom[0] = block_pixel(record, 1.2);
}

void starfield_render_band(int first_row, int end_row, double t, uint32_t pixels[], double s) {
    starfield_render_band_with(chosen_instruction_set(), first_row, end_row, t, pixels, s);
}

bool starfield_has_fused_quotients(instruction_set set) {
    static constexpr kernel_table<bool (*)()> sequence_copies = LANE_KERNEL_COPIES(nullptr, has_fused_quotients);
    const auto has = sequence_copies.copies[static_cast<int>(set)];
    return has != nullptr && has();
}

const char* starfield_quotients_name(starfield_quotients quotients) {
    switch (quotients) {
        case starfield_quotients::divided_reciprocal: return "divided-reciprocal";
        case starfield_quotients::mixed: return "mixed";
        case starfield_quotients::estimated_reciprocal: return "estimated-reciprocal";
        case starfield_quotients::divide: break;
    }
    return "divide";
}

starfield_quotients starfield_chosen_quotients(instruction_set set) {
    static std::once_flag measured[instruction_set_count];
    static std::atomic<int> chosen[instruction_set_count];
    const int index = static_cast<int>(set);
    std::call_once(measured[index], [&] {
        starfield_quotients way = starfield_quotients::divide;
        const char* asked = std::getenv("VELDRAKIN_STARFIELD_QUOTIENTS");
        bool named = false;
        for (const starfield_quotients candidate : every_way) {
            if (asked != nullptr && std::strcmp(asked, starfield_quotients_name(candidate)) == 0) {
                way = candidate;
                named = true;
            }
        }
        if (asked != nullptr && *asked != '\0' && !named) {
            std::fprintf(stderr,
                         "VELDRAKIN_STARFIELD_QUOTIENTS='%s' names no way (divide, divided-reciprocal, mixed, "
                         "estimated-reciprocal); timing them\n",
                         asked);
        }
        if (!named && starfield_has_fused_quotients(set)) way = measure_quotients(set);
        chosen[index].store(static_cast<int>(way), std::memory_order_relaxed);
    });
    return static_cast<starfield_quotients>(chosen[index].load(std::memory_order_relaxed));
}

double starfield_division_bound_ms(instruction_set set, band_workers& workers) {
    const division_function divide = division_copies[set];
    // Read at run time, so that no compiler can fold the divisions.
    static volatile double divisor_source = 1.0000001;
    const double divisor = divisor_source;
    constexpr long band_divisions = starfield_frame_divisions / band_count;
    static_assert(band_divisions % 64 == 0, "whole rounds of eight chains of the widest lanes");
    double sums[band_count] = {};
    auto band = [&](int first_row, int) {
        sums[first_row / rows_of_band(band_layout::half_resolution, 1).first_row] = divide(band_divisions, divisor);
    };
    // The best of three, so that a moment the processor is taken from the
    // program does not count.
    double best = 1e30;
    for (int round = 0; round < 3; ++round) {
        const auto start = std::chrono::steady_clock::now();
        workers.run(band_layout::half_resolution, band);
        const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
        best = std::min(best, took.count());
    }
    [[maybe_unused]] static volatile double sink;
    sink = sums[0] + sums[1] + sums[2] + sums[3];
    return best;
}

void starfield_render_band_with(instruction_set set, int first_row, int end_row, double t,
                                uint32_t pixels[], double s) {
    const starfield_frame frame(t, s);
    const march_function march = march_of(set, starfield_chosen_quotients(set));
    color4 records[block_columns];
    for (int j = first_row; j < end_row; ++j) {
        row_records(frame, march, j, records);
        for (int i = 0; i < block_columns; ++i) starfield_write_block(records[i], i, j, pixels);
    }
}

void starfield_row_records(instruction_set set, int j, double t, double music_s,
                           color4 records[]) {
    starfield_row_records_with(set, starfield_chosen_quotients(set), j, t, music_s, records);
}

void starfield_row_records_with(instruction_set set, starfield_quotients quotients, int j, double t,
                                double music_s, color4 records[]) {
    row_records(starfield_frame(t, music_s), march_of(set, quotients), j, records);
}
