// The quotients of exact_quotients_lanes.inc against the division, bit for
// bit: the hard cases of division (divisors and quotients next to midpoints,
// significands near all ones, the ends of the exponent range, the values the
// sequence leaves to the divider), a random sample over every exponent, and
// the star field drawn every way on every set against the scalar kernel.
// VeryLong_exact_quotients.random_pairs_by_hand is the long random run, out
// of the suite: see its comment.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <iterator>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <thread>
#include <type_traits>
#include <vector>

#include "effects/effect_starfield.h"
#include "effects/instruction_set.h"
#include "effects/simd_lanes.h"

namespace {

#define LANE_KERNEL "tests/effects/exact_quotients_kernel.inc"
#define LANE_KERNEL_SETS LANE_VECTOR_SETS
#include "effects/lane_kernels.h"

using quotient_function = void (*)(const double*, const double*, double*, long);
using lanes_function = int (*)();
constexpr kernel_table<lanes_function> width_copies = LANE_KERNEL_COPIES(nullptr, quotient_lanes);
constexpr kernel_table<bool (*)()> sequence_copies = LANE_KERNEL_COPIES(nullptr, has_sequence);

struct way_of_quotients {
    const char* name;
    kernel_table<quotient_function> copies;
    bool magnitudes;  // for numerators and divisors without a sign
};
const way_of_quotients ways[] = {
    {"divided reciprocal", LANE_KERNEL_COPIES(nullptr, divided_quotients), false},
    {"estimated reciprocal", LANE_KERNEL_COPIES(nullptr, estimated_quotients), false},
    {"divided reciprocal, two of three", LANE_KERNEL_COPIES(nullptr, divided_two_quotients), false},
    {"divided reciprocal, magnitudes", LANE_KERNEL_COPIES(nullptr, divided_magnitude_quotients), true},
    {"estimated reciprocal, magnitudes", LANE_KERNEL_COPIES(nullptr, estimated_magnitude_quotients), true},
};

uint64_t bits_of(double a) {
    uint64_t bits;
    std::memcpy(&bits, &a, sizeof bits);
    return bits;
}

// The sets this processor runs that have the sequence.
std::vector<instruction_set> sequence_sets() {
    std::vector<instruction_set> sets;
    for (const instruction_set set : {instruction_set::avx2, instruction_set::avx512}) {
        if (instruction_set_supported(set) && sequence_copies.copies[static_cast<int>(set)] != nullptr &&
            sequence_copies.copies[static_cast<int>(set)]()) {
            sets.push_back(set);
        }
    }
    return sets;
}

// Numerator-divisor pairs, three numerators a divisor as the lanes take
// them; each lane's three pairs share the divisor.
struct quotient_cases {
    std::vector<double> x;  // per lane: three numerators
    std::vector<double> d;

    void add(double x0, double x1, double x2, double divisor) {
        x.insert(x.end(), {x0, x1, x2});
        d.push_back(divisor);
    }
    void add(double numerator, double divisor) { add(numerator, numerator, numerator, divisor); }
    size_t pairs() const { return x.size(); }
};

// Checks every pair of the cases with every way on every set, stopping at
// the first few differences; the lanes are filled in order and the last
// register with copies of its first lane.
void expect_division_bits(const quotient_cases& cases, bool magnitudes_only = false) {
    for (const instruction_set set : sequence_sets()) {
        const int width = width_copies[set]();
        const size_t lanes = cases.d.size();
        const size_t groups = (lanes + width - 1) / width;
        std::vector<double> x(3 * width * groups);
        std::vector<double> d(width * groups);
        for (size_t g = 0; g < groups; ++g) {
            for (int l = 0; l < width; ++l) {
                const size_t lane = std::min(g * width + l, lanes - 1);
                d[g * width + l] = cases.d[lane];
                for (int i = 0; i < 3; ++i) x[(3 * g + i) * width + l] = cases.x[3 * lane + i];
            }
        }
        for (const way_of_quotients& way : ways) {
            if (way.magnitudes != magnitudes_only && way.magnitudes) continue;
            std::vector<double> q(x.size(), 0.0);
            way.copies[set](x.data(), d.data(), q.data(), static_cast<long>(groups));
            int wrong = 0;
            for (size_t g = 0; g < groups && wrong < 5; ++g) {
                for (int i = 0; i < 3; ++i) {
                    for (int l = 0; l < width; ++l) {
                        const size_t at = (3 * g + i) * width + l;
                        const double expected = x[at] / d[g * width + l];
                        if (bits_of(q[at]) == bits_of(expected)) continue;
                        ADD_FAILURE() << instruction_set_name(set) << ", " << way.name << ": " << std::hexfloat
                                      << x[at] << " / " << d[g * width + l] << " gave " << q[at] << ", not "
                                      << expected << std::defaultfloat;
                        ++wrong;
                    }
                }
            }
        }
    }
}

// Significands (below 2^52, added to 1) of the divisors D 2^-52 with D M =
// 2^106 +- 1 or +- 2 for an odd M: their reciprocals lie closest to a
// midpoint, the hardest cases for the reciprocal (2^53 - 1, all ones, among
// them).
const uint64_t hard_reciprocal_significands[] = {
#include "tests/effects/hard_reciprocals.inc"
};

double scaled(double a, int exponent) { return std::ldexp(a, exponent); }

// The double next to a towards b.
double next(double a, double b) { return std::nextafter(a, b); }

constexpr double infinity = std::numeric_limits<double>::infinity();
constexpr double max_normal = std::numeric_limits<double>::max();
constexpr double min_normal = std::numeric_limits<double>::min();
constexpr double min_subnormal = std::numeric_limits<double>::denorm_min();

// A small generator of 64-bit patterns (xorshift*).
struct pattern_source {
    uint64_t state;
    uint64_t next() {
        state ^= state >> 12;
        state ^= state << 25;
        state ^= state >> 27;
        return state * 0x2545F4914F6CDD1Dull;
    }
    // A double of either sign with its exponent field drawn from [low, high]
    // and a random significand.
    double value(unsigned low, unsigned high) {
        const uint64_t r = next();
        const uint64_t exponent = low + (r >> 11) % (high - low + 1);
        const uint64_t pattern = (r & 0x8000000000000000ull) | (exponent << 52) | (next() & 0x000FFFFFFFFFFFFFull);
        return double_from_bits(pattern);
    }
};

// Exponent fields of the range the sequence takes: [2^-100, 2^20).
constexpr unsigned admitted_low = 1023 - 100;
constexpr unsigned admitted_high = 1023 + 19;

}  // namespace

TEST(exact_quotients, the_sequence_is_in_the_sets_with_fused_multiply_add) {
    if (instruction_set_supported(instruction_set::avx2)) {
        EXPECT_TRUE(sequence_copies[instruction_set::avx2]());
    }
    if (instruction_set_supported(instruction_set::avx512)) {
        EXPECT_TRUE(sequence_copies[instruction_set::avx512]());
    }
    // SSE2 has no fused multiply-add; NEON has one, but its copies keep the
    // divider (there is no ARM processor here to time the sequence on).
    for (const instruction_set set : {instruction_set::sse2, instruction_set::neon}) {
        if (instruction_set_supported(set)) {
            EXPECT_FALSE(sequence_copies.copies[static_cast<int>(set)]()) << instruction_set_name(set);
        }
    }
    if (sequence_sets().empty()) GTEST_SKIP() << "this processor has no set with the fused multiply-add";
}

TEST(exact_quotients, divisors_whose_reciprocals_lie_next_to_a_midpoint) {
    quotient_cases cases;
    for (const uint64_t significand : hard_reciprocal_significands) {
        const double d = double_from_bits(0x3FF0000000000000ull | significand);
        for (const int e : {0, -1, 7, -60, 19, -99}) {
            const double divisor = scaled(d, e);
            // 1/d itself, numerators next to d and next to 1 and 2.
            cases.add(1.0, 2.0, next(2.0, 0.0), divisor);
            cases.add(divisor, next(divisor, 0.0), next(divisor, infinity), divisor);
            cases.add(next(1.0, 2.0), next(1.0, 0.0), 1.5, divisor);
            cases.add(-1.0, -divisor, scaled(3.0, 10), -divisor);
        }
    }
    expect_division_bits(cases);
}

TEST(exact_quotients, consecutive_significands_near_one_and_near_all_ones) {
    // d = 1 + k ulp and d = 2 - k ulp against numerators x = d (1 +- j ulp)
    // and x = 2 - j ulp: the quotients of x/d < 1 where x y is furthest from
    // x/d, and those within a few units of 1.
    quotient_cases cases;
    for (int k = 0; k < 48; ++k) {
        const double near_two = double_from_bits(bits_of(2.0) - 1 - k);
        const double near_one = double_from_bits(bits_of(1.0) + k);
        for (int j = -24; j < 24; ++j) {
            for (const double d : {near_two, near_one}) {
                const double x = double_from_bits(bits_of(d) + j);
                const double top = double_from_bits(bits_of(2.0) - 1 - (j + 24));
                cases.add(x, top, double_from_bits(bits_of(1.0) + (j + 24)), d);
                cases.add(scaled(x, 5), scaled(top, -7), scaled(x, -100 + 2), scaled(d, 3));
            }
        }
    }
    expect_division_bits(cases);
}

TEST(exact_quotients, quotients_next_to_a_midpoint) {
    // x = RN(d m) for the midpoint m = q + ulp(q)/2 of random d and q: x/d
    // is as close to m as a numerator can bring it, on either side.
    pattern_source source{0x9E3779B97F4A7C15ull};
    quotient_cases cases;
    for (int n = 0; n < 20000; ++n) {
        const double d = std::fabs(source.value(1023 - 3, 1023 + 3));
        const double q = std::fabs(source.value(1023 - 4, 1023 + 4));
        const double half_unit = (next(q, infinity) - q) / 2;
        // One rounding of d q + d half_unit; d half_unit is exact.
        const double x = std::fma(d, q, d * half_unit);
        cases.add(x, next(x, 0.0), next(x, infinity), d);
    }
    expect_division_bits(cases);
}

TEST(exact_quotients, powers_of_two_and_the_ends_of_the_exponent_range) {
    const double values[] = {1.0,
                             2.0,
                             0.5,
                             scaled(1.0, 19),
                             next(scaled(1.0, 20), 0.0),
                             scaled(1.0, 20),
                             scaled(1.0, -100),
                             next(scaled(1.0, -100), 0.0),
                             next(scaled(1.0, -100), infinity),
                             max_normal,
                             next(max_normal, 0.0),
                             scaled(1.0, 1023),
                             min_normal,
                             next(min_normal, infinity),
                             next(min_normal, 0.0),
                             min_subnormal,
                             scaled(3.0, -1074),
                             1.75,
                             next(2.0, 0.0),
                             3.0};
    quotient_cases cases;
    for (const double a : values) {
        for (const double b : values) {
            for (const double sign : {1.0, -1.0}) {
                cases.add(sign * a, a, -b, b);
                cases.add(b, sign * b, 1.5, sign * a);
            }
        }
    }
    expect_division_bits(cases);
}

TEST(exact_quotients, zeros_infinities_and_nans_give_the_division_bits) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double negative_nan = -nan;
    const double payload_nan = double_from_bits(0x7FF80000DEADBEEFull);
    const double specials[] = {0.0, -0.0, infinity, -infinity, nan, negative_nan, payload_nan, min_subnormal};
    const double ordinary[] = {1.0, -3.25, 0.1, 1e5};
    quotient_cases cases;
    for (const double s : specials) {
        for (const double o : ordinary) {
            cases.add(s, o, o, o);       // a special numerator among ordinary ones
            cases.add(o, s, -o, o);
            cases.add(o, o, o, s);       // a special divisor
            cases.add(s, s, o, s);
        }
    }
    // A register with one special lane takes the division for every lane:
    // the others must still be right.
    for (int n = 0; n < 64; ++n) cases.add(1.0 + n, 3.0 - n / 64.0, 0.7, 1.0 + n / 7.0);
    cases.add(0.0, 1.0, 1.0, 0.0);
    expect_division_bits(cases);
}

TEST(exact_quotients, magnitudes_take_the_same_conditions_without_signs) {
    // The ways for numerators and divisors without a sign: abs results and
    // sums of squares, NaN possibly with its sign set.
    pattern_source source{12345};
    quotient_cases cases;
    for (int n = 0; n < 20000; ++n) {
        const unsigned low = n % 4 == 0 ? 0 : admitted_low - 3;
        const unsigned high = n % 4 == 0 ? 2047 : admitted_high + 3;
        cases.add(std::fabs(source.value(low, high)), std::fabs(source.value(low, high)),
                  std::fabs(source.value(low, high)), std::fabs(source.value(low, high)));
    }
    cases.add(0.0, 1.0, 2.0, 3.0);
    cases.add(-std::numeric_limits<double>::quiet_NaN(), 1.0, 2.0, 3.0);
    cases.add(1.0, 1.0, 1.0, -std::numeric_limits<double>::quiet_NaN());
    expect_division_bits(cases, true);
}

TEST(exact_quotients, a_random_sample_over_every_exponent_and_sign) {
    // Most registers in the range the sequence takes, one in eight with
    // operands anywhere (and so mostly left to the divider).
    pattern_source source{0xD1B54A32D192ED03ull};
    quotient_cases cases;
    for (int n = 0; n < 400000; ++n) {
        const bool anywhere = (n / 8) % 8 == 0;
        const unsigned low = anywhere ? 0 : admitted_low;
        const unsigned high = anywhere ? 2047 : admitted_high;
        cases.add(source.value(low, high), source.value(low, high), source.value(low, high),
                  source.value(low, high));
    }
    expect_division_bits(cases);
}

TEST(exact_quotients, the_star_field_draws_the_same_records_every_way_on_every_set) {
    // Every row of three moments, every way of every set, against the scalar
    // kernel (which the golden frames hold).
    const starfield_quotients every_way[] = {starfield_quotients::divide, starfield_quotients::divided_reciprocal,
                                             starfield_quotients::mixed, starfield_quotients::estimated_reciprocal};
    struct moment {
        double t;
        double music_s;
    };
    for (const moment m : {moment{7.4, 165.7}, moment{189.6, 256.8}, moment{206.8, 265.0}}) {
        for (int j = 0; j < 120; ++j) {
            color4 scalar[160];
            starfield_row_records(instruction_set::scalar, j, m.t, m.music_s, scalar);
            for (int i = 1; i < instruction_set_count; ++i) {
                const instruction_set set = instruction_sets[i].set;
                if (!instruction_set_supported(set)) continue;
                for (const starfield_quotients way : every_way) {
                    color4 records[160];
                    starfield_row_records_with(set, way, j, m.t, m.music_s, records);
                    ASSERT_EQ(std::memcmp(records, scalar, sizeof records), 0)
                        << instruction_set_name(set) << " " << starfield_quotients_name(way) << " at " << m.t
                        << ", band row " << j;
                }
            }
        }
    }
}

TEST(exact_quotients, the_star_field_takes_a_way_once_per_set) {
    for (int i = 0; i < instruction_set_count; ++i) {
        const instruction_set set = instruction_sets[i].set;
        if (!instruction_set_supported(set)) continue;
        const starfield_quotients way = starfield_chosen_quotients(set);
        EXPECT_EQ(starfield_chosen_quotients(set), way) << instruction_set_name(set);
        if (!starfield_has_fused_quotients(set)) {
            EXPECT_EQ(way, starfield_quotients::divide);
        }
    }
    EXPECT_FALSE(starfield_has_fused_quotients(instruction_set::scalar));
    EXPECT_FALSE(starfield_has_fused_quotients(instruction_set::sse2));
}

// The long run, by hand: VDK_QUOTIENT_PAIRS pairs (default 10^10) on every
// core, each by the divided and by the estimated reciprocal of the widest
// set with the sequence, against the division.
// Seven registers in eight have their operands in the range the sequence
// takes, one in eight anywhere.
//   build/veldrakin_tests --gtest_also_run_disabled_tests
//     --gtest_filter='VeryLong_exact_quotients.DISABLED_random_pairs_by_hand'
TEST(VeryLong_exact_quotients, DISABLED_random_pairs_by_hand) {
    const std::vector<instruction_set> sets = sequence_sets();
    if (sets.empty()) GTEST_SKIP() << "no set with the fused multiply-add";
    const instruction_set set = sets.back();
    const char* asked = std::getenv("VDK_QUOTIENT_PAIRS");
    const double wanted = asked != nullptr ? std::atof(asked) : 1e10;
    const int width = width_copies[set]();
    constexpr long groups = 4096;
    const double pairs_per_batch = 3.0 * width * groups;
    const long batches = static_cast<long>(std::ceil(wanted / pairs_per_batch));
    const unsigned threads = std::max(1u, std::thread::hardware_concurrency());
    std::atomic<long> next_batch{0};
    std::atomic<long> wrong{0};
    std::atomic<long> checked{0};
    std::vector<std::thread> workers;
    for (unsigned t = 0; t < threads; ++t) {
        workers.emplace_back([&, t] {
            std::vector<double> x(3 * width * groups);
            std::vector<double> d(width * groups);
            std::vector<double> q(x.size());
            for (long batch = next_batch++; batch < batches; batch = next_batch++) {
                pattern_source source{0x243F6A8885A308D3ull ^ (static_cast<uint64_t>(batch) * 0x9E3779B97F4A7C15ull)};
                for (long g = 0; g < groups; ++g) {
                    const bool anywhere = g % 8 == 0;
                    const unsigned low = anywhere ? 0 : admitted_low;
                    const unsigned high = anywhere ? 2047 : admitted_high;
                    for (int l = 0; l < width; ++l) d[g * width + l] = source.value(low, high);
                    for (int n = 0; n < 3 * width; ++n) x[g * 3 * width + n] = source.value(low, high);
                }
                for (const way_of_quotients& way : ways) {
                    // The mixed way is the divided one on two of three.
                    if (way.magnitudes || &way == &ways[2]) continue;
                    way.copies[set](x.data(), d.data(), q.data(), groups);
                    for (size_t at = 0; at < x.size(); ++at) {
                        const double expected = x[at] / d[at / (3 * width) * width + at % width];
                        if (bits_of(q[at]) != bits_of(expected) && wrong++ < 5) {
                            ADD_FAILURE() << way.name << ": " << std::hexfloat << x[at] << " / "
                                          << d[at / (3 * width) * width + at % width] << " gave " << q[at];
                        }
                    }
                }
                checked += static_cast<long>(x.size());
            }
            (void)t;
        });
    }
    for (std::thread& worker : workers) worker.join();
    std::printf("%ld pairs, each by the divided and the estimated reciprocal, on %s with %u threads: %ld wrong\n",
                checked.load(), instruction_set_name(set), threads, wrong.load());
    EXPECT_EQ(wrong.load(), 0);
    EXPECT_GE(static_cast<double>(checked.load()), wanted);
}
