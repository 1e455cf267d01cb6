// The instruction sets: the table and its names, the choice of a set, the
// fallback of a kernel without a copy for a set, the lane operations of every
// set against the scalar ones, and every vectorised effect drawing the
// scalar kernel's bits with every set this processor runs.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <limits>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "effects/effect_blobs1.h"
#include "effects/effect_blobs2.h"
#include "effects/effect_lava.h"
#include "effects/effect_opening_1.h"
#include "effects/effect_opening_2.h"
#include "effects/effect_starfield.h"
#include "effects/effect_still_01.h"
#include "effects/effect_still_02.h"
#include "effects/instruction_set.h"
#include "effects/rounded_math.h"
#include "effects/simd_lanes.h"
#include "support/float_steps.h"

using namespace raymarch;

namespace {

#define LANE_KERNEL "effects/lane_operations.inc"
#define LANE_KERNEL_SETS (LANE_SET_SCALAR | LANE_VECTOR_SETS)
#include "effects/lane_kernels.h"
using apply_function = void (*)(int, const double*, const double*, double*, int);
constexpr kernel_table<apply_function> apply_copies = LANE_KERNEL_COPIES(&scalar_kernel::apply, apply);
constexpr kernel_table<int (*)()> width_copies = LANE_KERNEL_COPIES(&scalar_kernel::lane_width, lane_width);
using rounded_function = void (*)(const double*, float, double*, double*, int, long&);
constexpr kernel_table<rounded_function> rounded_copies =
    LANE_KERNEL_COPIES(&scalar_kernel::rounded_functions, rounded_functions);
#define LANE_KERNEL "effects/lane_products.inc"
#define LANE_KERNEL_SETS (LANE_SET_SCALAR | LANE_VECTOR_SETS)
#include "effects/lane_kernels.h"
using products_function = void (*)(const double*, const double*, const double*, double*, double*, int);
constexpr kernel_table<products_function> product_copies = LANE_KERNEL_COPIES(&scalar_kernel::products, products);
constexpr int operation_count = 21;
const char* const operation_names[operation_count] = {
    "add",         "sub",      "mul",      "div",      "sqrt",       "floor",       "abs",
    "negate",      "min",      "max",      "not_below", "any",       "below",       "round_to_float",
    "bits_and",    "bits_or",  "bits_add", "shift_left", "shift_right", "gather",     "floor_within"};

std::vector<instruction_set> vector_sets() {
    std::vector<instruction_set> sets;
    for (int i = 1; i < instruction_set_count; ++i) sets.push_back(instruction_sets[i].set);
    return sets;
}

std::string set_name(const ::testing::TestParamInfo<instruction_set>& info) {
    return instruction_set_name(info.param);
}

// Chooses a set for the life of the object, then the one chosen before.
class chosen_set {
public:
    explicit chosen_set(instruction_set set) : previous_(chosen_instruction_set()) {
        EXPECT_TRUE(choose_instruction_set(set));
    }
    ~chosen_set() { choose_instruction_set(previous_); }

private:
    instruction_set previous_;
};

}  // namespace

TEST(instruction_set_table, names_and_fallbacks) {
    for (int i = 0; i < instruction_set_count; ++i) {
        const instruction_set_row& row = instruction_sets[i];
        EXPECT_EQ(static_cast<int>(row.set), i) << row.name;
        instruction_set named = instruction_set::avx512;
        ASSERT_TRUE(instruction_set_from_name(row.name, named)) << row.name;
        EXPECT_EQ(named, row.set);
        // Every fallback chain ends at the scalar set, through narrower sets.
        if (i > 0) {
            EXPECT_LT(static_cast<int>(row.fallback), i) << row.name;
        }
        EXPECT_NE(instruction_set_names().find(row.name), std::string::npos);
    }
    instruction_set named = instruction_set::avx512;
    ASSERT_TRUE(instruction_set_from_name("baseline", named));
    EXPECT_EQ(named, baseline_instruction_set());
    EXPECT_TRUE(instruction_set_supported(baseline_instruction_set()));
    for (const char* text : {"", "AVX2", "avx", "sse2 ", "NEON", "neon64", "arm"}) {
        EXPECT_FALSE(instruction_set_from_name(text, named)) << "'" << text << "'";
    }
#if defined(__x86_64__)
    EXPECT_EQ(baseline_instruction_set(), instruction_set::sse2);
#endif
}

// NEON: a set of every aarch64 build, and of no other.
TEST(instruction_set_table, neon_is_the_baseline_and_the_widest_set_of_aarch64_alone) {
    instruction_set named = instruction_set::scalar;
    ASSERT_TRUE(instruction_set_from_name("neon", named));
    EXPECT_EQ(named, instruction_set::neon);
    EXPECT_EQ(row_of(instruction_set::neon).fallback, instruction_set::scalar);
#if defined(__aarch64__)
    EXPECT_TRUE(row_of(instruction_set::neon).built);
    EXPECT_TRUE(instruction_set_supported(instruction_set::neon));
    EXPECT_EQ(baseline_instruction_set(), instruction_set::neon);
    EXPECT_EQ(widest_instruction_set(), instruction_set::neon);
    for (instruction_set x86 : {instruction_set::sse2, instruction_set::avx2, instruction_set::avx512}) {
        EXPECT_FALSE(instruction_set_supported(x86)) << instruction_set_name(x86);
    }
#else
    EXPECT_FALSE(row_of(instruction_set::neon).built);
    EXPECT_FALSE(instruction_set_supported(instruction_set::neon));
    EXPECT_NE(baseline_instruction_set(), instruction_set::neon);
#endif
}

TEST(instruction_set_table, the_widest_supported_set_is_chosen_and_an_unsupported_one_refused) {
    const instruction_set widest = widest_instruction_set();
    EXPECT_TRUE(instruction_set_supported(widest));
    EXPECT_TRUE(instruction_set_supported(instruction_set::scalar));
    for (int i = static_cast<int>(widest) + 1; i < instruction_set_count; ++i) {
        EXPECT_FALSE(instruction_set_supported(instruction_sets[i].set)) << instruction_sets[i].name;
    }
    const instruction_set before = chosen_instruction_set();
    for (const instruction_set_row& row : instruction_sets) {
        if (instruction_set_supported(row.set)) {
            EXPECT_TRUE(choose_instruction_set(row.set));
            EXPECT_EQ(chosen_instruction_set(), row.set);
        } else {
            const instruction_set current = chosen_instruction_set();
            EXPECT_FALSE(choose_instruction_set(row.set)) << row.name;
            EXPECT_EQ(chosen_instruction_set(), current);
        }
    }
    choose_instruction_set(before);
}

namespace {
// Sets (or, with "", removes) an environment variable.
void set_environment(const char* name, const std::string& value) {
#if defined(_WIN32)
    _putenv_s(name, value.c_str());
#else
    if (value.empty()) {
        ::unsetenv(name);
    } else {
        ::setenv(name, value.c_str(), 1);
    }
#endif
}
}  // namespace

TEST(instruction_set_table, the_environment_variable_is_checked) {
    const char* const before = std::getenv("VELDRAKIN_ISA");
    const std::string saved = before != nullptr ? before : "";
    std::string reason;
    for (const char* valid : {"", "scalar", "baseline"}) {
        set_environment("VELDRAKIN_ISA", valid);
        EXPECT_TRUE(environment_instruction_set_valid(reason)) << valid << ": " << reason;
        EXPECT_EQ(reason, "");
    }
    set_environment("VELDRAKIN_ISA", "avx3");
    EXPECT_FALSE(environment_instruction_set_valid(reason));
    EXPECT_NE(reason.find("avx3"), std::string::npos) << reason;
    for (const instruction_set_row& row : instruction_sets) {
        set_environment("VELDRAKIN_ISA", row.name);
        EXPECT_EQ(environment_instruction_set_valid(reason), instruction_set_supported(row.set)) << row.name;
    }
    set_environment("VELDRAKIN_ISA", "");
    EXPECT_TRUE(environment_instruction_set_valid(reason));
    set_environment("VELDRAKIN_ISA", saved);
}

namespace {
int copy_a() { return 1; }
int copy_b() { return 2; }
}  // namespace

TEST(instruction_set_table, a_set_without_a_copy_draws_with_its_fallback) {
    using function = int (*)();
    const kernel_table<function> only_avx2{{&copy_a, nullptr, &copy_b, nullptr}};
    EXPECT_EQ(only_avx2[instruction_set::scalar], &copy_a);
    EXPECT_EQ(only_avx2[instruction_set::sse2], &copy_a);
    EXPECT_EQ(only_avx2[instruction_set::avx2], &copy_b);
    EXPECT_EQ(only_avx2[instruction_set::avx512], &copy_b);
    // A scalar kernel of another form: the sets that fall back to it get none.
    const kernel_table<function> vector_only{{nullptr, &copy_a, nullptr, &copy_b}};
    EXPECT_EQ(vector_only[instruction_set::scalar], nullptr);
    EXPECT_EQ(vector_only[instruction_set::sse2], &copy_a);
    EXPECT_EQ(vector_only[instruction_set::avx2], &copy_a);
    EXPECT_EQ(vector_only[instruction_set::avx512], &copy_b);
}

// ---------------------------------------------------------------------------
// The lane operations of every set against the scalar ones, bit for bit, on
// operands around the edges of each operation: signed zeros, halves, the
// reach of the rounding through 2^52, infinities, NaN and subnormals.

class lane_operations : public ::testing::TestWithParam<instruction_set> {};

TEST_P(lane_operations, give_the_bits_of_the_scalar_operations) {
    const instruction_set set = GetParam();
    if (!instruction_set_supported(set)) GTEST_SKIP() << instruction_set_name(set) << " not supported";
    const apply_function copy = apply_copies.copies[static_cast<int>(set)];
    if (copy == nullptr) GTEST_SKIP() << "no lanes for " << instruction_set_name(set) << " in this build";
    const double two_52 = 4503599627370496.0;
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    std::vector<double> values = {0.0, -0.0, 0.5, -0.5, 1.5, -1.5, 2.5, -2.5, 0.49999999999999994,
                                  -0.49999999999999994, 1.0, -1.0, 3.0 - 1e-16, two_52 - 0.5,
                                  -(two_52 - 0.5), two_52, -two_52, two_52 + 1, 2 * two_52 + 2,
                                  two_52 / 2 + 0.5, -(two_52 / 2 + 0.5), 1e300, -1e300, inf, -inf,
                                  nan, -nan, 4.9e-324, -4.9e-324, 2.2250738585072014e-308, 1.0 / 3,
                                  -7.25, 1e17, -123456789.875, 3.4028235677973366e38,
                                  3.4028235677973362e38, 1.401298464324817e-45, 7.006492321624085e-46,
                                  1.0000000596046448, 1.0000000894069672, -0.3, -0.7, -2.5e-300,
                                  two_52 / 2 - 0.5, -(two_52 / 2 - 0.5), two_52 / 2 - 1.5, -(two_52 / 4 + 0.25)};
    // Every value against every value: a with each b.
    std::vector<double> a;
    std::vector<double> b;
    for (double x : values) {
        for (double y : values) {
            a.push_back(x);
            b.push_back(y);
        }
    }
    while (a.size() % 8 != 0) {
        a.push_back(0.75);
        b.push_back(-0.25);
    }
    const int count = static_cast<int>(a.size());
    std::vector<double> expected(count);
    std::vector<double> actual(count);
    for (int op = 0; op < operation_count; ++op) {
        if (op == 11) {
            // any: one answer per group of lanes, so compare groups of the set's width.
            continue;
        }
        scalar_kernel::apply(op, a.data(), b.data(), expected.data(), count);
        copy(op, a.data(), b.data(), actual.data(), count);
        for (int i = 0; i < count; ++i) {
            // Which NaN an operation on two NaNs gives depends on the order of
            // its operands, which the compiler may swap; any NaN is a NaN.
            if (std::isnan(expected[i]) && std::isnan(actual[i])) continue;
            // floor_within promises floor below 2^51 only.
            if (op == 20 && !(std::fabs(a[i]) < two_52 / 2)) continue;
            ASSERT_EQ(std::memcmp(&actual[i], &expected[i], sizeof(double)), 0)
                << operation_names[op] << "(" << a[i] << ", " << b[i] << "): " << actual[i]
                << " instead of " << expected[i];
        }
    }
    // any: true for a group when one lane is not below its operand.
    const int width = width_copies[set]();
    copy(11, a.data(), b.data(), actual.data(), count);
    for (int first = 0; first < count; first += width) {
        bool any = false;
        for (int i = first; i < first + width; ++i) any = any || !(a[i] < b[i]);
        for (int i = first; i < first + width; ++i) ASSERT_EQ(actual[i], any ? 1.0 : 0.0) << i;
    }
}

INSTANTIATE_TEST_SUITE_P(every_set, lane_operations, ::testing::ValuesIn(vector_sets()), set_name);

// A multiply and an add stay two roundings in every set (aarch64 compilers
// fuse them by default): a*b - b*a is zero, and a*b + c is the sum of the
// rounded product, on products that are not exact.
class lane_products : public ::testing::TestWithParam<instruction_set> {};

TEST_P(lane_products, are_rounded_before_they_are_added) {
    const instruction_set set = GetParam();
    if (!instruction_set_supported(set)) GTEST_SKIP() << instruction_set_name(set) << " not supported";
    std::vector<double> a = {1.0 / 3, 0.1, 1.0 / 7, 0.1, 2.0 / 3, 1e-5, 123456.789, -1.0 / 3};
    std::vector<double> b = {3.0, 10.0, 7.0, 0.1, 1.5, 3.3, 0.987654321, 3.0};
    uint64_t state = 7;
    while (a.size() < 64) {
        state = state * 6364136223846793005u + 1442695040888963407u;
        a.push_back(static_cast<double>(state >> 11) / 9007199254740992.0 * 10 - 5);
        state = state * 6364136223846793005u + 1442695040888963407u;
        b.push_back(static_cast<double>(state >> 11) / 9007199254740992.0 * 10 - 5);
    }
    const int count = static_cast<int>(a.size());
    // c = -(a*b) rounded: a*b + c is zero when the product is rounded first,
    // and the product's rounding error when it is not.
    std::vector<double> c(count);
    int inexact = 0;
    for (int i = 0; i < count; ++i) {
        volatile double product = a[i] * b[i];
        c[i] = -product;
        if (std::fma(a[i], b[i], c[i]) != 0) ++inexact;  // the product's rounding error
    }
    EXPECT_GT(inexact, count / 2) << "the operands give exact products: nothing is checked";
    std::vector<double> residues(count, -1.0);
    std::vector<double> sums(count, -1.0);
    product_copies[set](a.data(), b.data(), c.data(), residues.data(), sums.data(), count);
    for (int i = 0; i < count; ++i) {
        EXPECT_EQ(residues[i], 0.0) << instruction_set_name(set) << ": " << a[i] << " * " << b[i];
        EXPECT_EQ(sums[i], 0.0) << instruction_set_name(set) << ": " << a[i] << " * " << b[i] << " + " << c[i];
    }
}

INSTANTIATE_TEST_SUITE_P(every_set, lane_products,
                         ::testing::Values(instruction_set::scalar, instruction_set::sse2, instruction_set::avx2,
                                           instruction_set::avx512, instruction_set::simd128, instruction_set::neon),
                         set_name);

// rounded_pow and rounded_exp through the lanes (the scalar set's lanes
// included) against the scalar functions, on single-precision arguments
// spread over the ranges the kernels use: every 331st float below 3.5 for the
// power with the lava's exponent 2.3 and the torus' 2.5, and every 331st float
// from -200 to 10 for the exponential; with zeros, the smallest subnormals and
// the ends. About one lane in 25 000 falls back to the library.
class rounded_math_lanes : public ::testing::TestWithParam<instruction_set> {};

TEST_P(rounded_math_lanes, give_the_bits_of_the_scalar_functions) {
    const instruction_set set = GetParam();
    if (!instruction_set_supported(set)) GTEST_SKIP() << instruction_set_name(set) << " not supported";
    const rounded_function copy = rounded_copies.copies[static_cast<int>(set)];
    if (copy == nullptr) GTEST_SKIP() << "no lanes for " << instruction_set_name(set) << " in this build";
    std::vector<double> bases = {0.0, -0.0, 1.4e-45, 2.8e-45, 1.1754942e-38, 1.0, 2.0, 3.4999998, 0.5, 1e-30};
    floats_between(0.0f, 3.5f, 331, bases);
    std::vector<double> arguments = {0.0, -0.0, -1.4e-45, -103.97, -104.0, -200.0, -199.99998, 3.0,
                                     2.9999998, -87.33655, -0.5, 1e-30, 9.999999, 10.0};
    floats_between(-0.0f, -200.0f, 331, arguments);
    floats_between(0.0f, 10.0f, 331, arguments);
    long fallbacks = 0;
    for (const auto& [values, exponent] : {std::pair{&bases, 2.3f}, std::pair{&bases, 2.5f}, std::pair{&bases, 3.0f},
                                           std::pair{&arguments, 2.3f}}) {
        std::vector<double> x = *values;
        for (double& v : x) v = static_cast<float>(v);  // the functions take single-precision arguments
        while (x.size() % 8 != 0) x.push_back(1.0);
        const int count = static_cast<int>(x.size());
        std::vector<double> powers(count);
        std::vector<double> exponentials(count);
        copy(x.data(), exponent, powers.data(), exponentials.data(), count, fallbacks);
        for (int i = 0; i < count; ++i) {
            const float argument = static_cast<float>(x[i]);
            if (values == &bases) {
                const float expected = rounded_pow(argument, exponent);
                // the sign too: the power of -0 is -0 for the odd exponents
                ASSERT_TRUE(powers[i] == expected && std::signbit(powers[i]) == std::signbit(expected))
                    << "pow(" << argument << ", " << exponent << "): " << powers[i] << " instead of " << expected
                    << " with " << instruction_set_name(set);
            } else {
                ASSERT_EQ(exponentials[i], static_cast<double>(rounded_exp(argument)))
                    << "exp(" << argument << ") with " << instruction_set_name(set);
            }
        }
    }
    EXPECT_GT(fallbacks, 0) << "no lane came near a midpoint: the check was not tried";
}

INSTANTIATE_TEST_SUITE_P(every_set, rounded_math_lanes,
                         ::testing::Values(instruction_set::scalar, instruction_set::sse2, instruction_set::avx2,
                                           instruction_set::avx512, instruction_set::simd128, instruction_set::neon),
                         set_name);

// ---------------------------------------------------------------------------
// The kernels of the vectorised effects: each draws with every set the bits
// that the scalar set draws, through the effect's own drawing with the set
// chosen. Each kernel compares whole frames at moments across its windows
// and fades, and some compare their values before packing as well (a
// difference in the last place rarely reaches a pixel).

namespace {

using frame = std::vector<uint32_t>;

// Four bands of a layout, each drawn by draw(first_row, end_row, pixels).
frame whole_frame(band_layout layout, const std::function<void(int, int, uint32_t*)>& draw) {
    frame pixels(screen_width * screen_height, 0u);
    for (int band = 0; band < 4; ++band) {
        const band_rows rows = rows_of_band(layout, band);
        draw(rows.first_row, rows.end_row, pixels.data());
    }
    return pixels;
}

// What draw gives with set chosen against what it gives with the scalar set.
void expect_scalar_frame(instruction_set set, const std::string& what, const std::function<frame()>& draw) {
    frame scalar;
    {
        chosen_set chosen(instruction_set::scalar);
        scalar = draw();
    }
    chosen_set chosen(set);
    ASSERT_EQ(draw(), scalar) << instruction_set_name(set) << " " << what;
}

// A texture whose texel (x, y) has red x, green y and blue x ^ y, scaled.
void fill_pattern(vdk::core::texture_gdi& texture, int width, int height, unsigned scale) {
    texture.release();
    texture.create(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            texture.pixels()[y * width + x] = 0xFF000000u | (x * scale & 0xFFu) << 16 |
                                              (y * scale & 0xFFu) << 8 | ((x ^ y) * scale & 0xFFu);
}

struct moment {
    double t;        // the effect's clock
    double music_s;  // the music position
};

// The flight's kernels: far along the flight (coordinates beyond 2^26), with
// other step counts and hit distances, and its lattice distance on points
// near and far and on the cell borders.
void opening_1_kernel(instruction_set set) {
    vdk::core::logger log{99};
    effect_opening_1 flight{nullptr, &log};
    const moment moments[] = {{0.0, 40.5},   {3.2, 43.7},     {9.75, 50.25},  {14.0, 54.5}, {165.5, 206},
                              {168.63, 209.1}, {172.3, 212.8}, {1e8, 50},      {-7.5, 201},
                              {1e14, 50}, {1e15, 50}};  // eyes beyond the reach of the vector floor's shortcut
    auto draw = [&flight](const moment& m) {
        return [&flight, m] {
            return whole_frame(band_layout::full_resolution, [&](int first, int end, uint32_t* pixels) {
                flight.render_band(first, end, m.t, pixels, m.music_s);
            });
        };
    };
    for (const moment& m : moments) expect_scalar_frame(set, "at " + std::to_string(m.t), draw(m));
    for (const auto& [steps, eps] : {std::pair{1, 1e-4}, std::pair{256, 1e-4}, std::pair{60, 0.05},
                                    std::pair{60, 0.0}}) {
        flight.march_steps = steps;
        flight.hit_eps = eps;
        expect_scalar_frame(set, "steps " + std::to_string(steps) + " eps " + std::to_string(eps),
                            draw(moments[2]));
    }
    flight.march_steps = 60;
    flight.hit_eps = 0.0001;
    // The scalar kernel draws a picture of many step counts, not a flat one.
    {
        chosen_set chosen(instruction_set::scalar);
        const frame pixels = draw(moments[2])();
        EXPECT_GT(std::set<uint32_t>(pixels.begin(), pixels.end()).size(), 20u);
    }

    uint64_t state = 99;
    auto next = [&state] {
        state = state * 6364136223846793005u + 1442695040888963407u;
        return static_cast<double>(state >> 11) / 9007199254740992.0;
    };
    std::vector<vec3> points;
    for (double span : {1.0, 4.0, 60.0, 3e7, 1e13, 1e17}) {
        for (int i = 0; i < 5000; ++i) points.push_back({(next() - 0.5) * span, (next() - 0.5) * span, (next() - 0.5) * span});
    }
    for (double x : {-1.0, -1.0 / 3, 0.0, 1.0 / 9, 5.0 / 27, 1.0, 2.0})
        for (double z : {-3.0, 1.0 / 3, 7.0}) points.push_back({x, 1.0 / 3, z});
    points.push_back({0.5, 0.25, 0.125});  // an odd count: the last group is partly padding
    std::vector<double> wide(points.size(), -1.0);
    flight.sponge_distances_with(set, points.data(), static_cast<int>(points.size()), wide.data());
    for (size_t i = 0; i < points.size(); ++i) {
        const double scalar = flight.sponge_distance(points[i]);
        ASSERT_EQ(std::memcmp(&wide[i], &scalar, sizeof(double)), 0)
            << instruction_set_name(set) << " " << points[i].x << " " << points[i].y << " " << points[i].z;
    }
}

// The star field's march over both windows and the fade, a clock before the
// start and one far on, and the colour records of every block of two frames.
void starfield_kernel(instruction_set set) {
    const moment moments[] = {{0.0, 162},     {7.4, 165.7},   {29.8, 176.9}, {178.0, 251},
                              {189.6, 256.8}, {206.8, 265.0}, {-40.0, 170},  {5e6, 200}};
    auto draw = [](const moment& m) {
        return [m] {
            return whole_frame(band_layout::half_resolution, [&](int first, int end, uint32_t* pixels) {
                starfield_render_band(first, end, m.t, pixels, m.music_s);
            });
        };
    };
    for (const moment& m : moments) expect_scalar_frame(set, "at " + std::to_string(m.t), draw(m));
    for (const moment& m : {moments[1], moments[5]}) {
        for (int j = 0; j < 120; ++j) {
            color4 wide[160];
            color4 scalar[160];
            starfield_row_records(set, j, m.t, m.music_s, wide);
            starfield_row_records(instruction_set::scalar, j, m.t, m.music_s, scalar);
            if (std::memcmp(wide, scalar, sizeof wide) == 0) continue;
            // Which value, its bits, and whether the set repeats itself: a
            // set that does not is disturbed from outside the kernel.
            color4 wide_again[160];
            starfield_row_records(set, j, m.t, m.music_s, wide_again);
            const auto* a = reinterpret_cast<const double*>(wide);
            const auto* b = reinterpret_cast<const double*>(scalar);
            int at = 0;
            while (at < 4 * 160 && std::memcmp(a + at, b + at, sizeof(double)) == 0) ++at;
            uint64_t bits_a = 0;
            uint64_t bits_b = 0;
            std::memcpy(&bits_a, a + at, sizeof bits_a);
            std::memcpy(&bits_b, b + at, sizeof bits_b);
            FAIL() << instruction_set_name(set) << " at " << m.t << ", band row " << j << ", block " << at / 4
                   << " component " << "rgbi"[at % 4] << ": " << std::hex << bits_a << " against " << bits_b
                   << std::dec << "; the set "
                   << (std::memcmp(wide, wide_again, sizeof wide) == 0 ? "repeats itself" : "does NOT repeat itself");
        }
    }
    // What is compared is a picture with many colours, not a black frame.
    chosen_set chosen(instruction_set::scalar);
    const frame pixels = draw(moments[1])();
    EXPECT_GT(std::set<uint32_t>(pixels.begin(), pixels.end()).size(), 100u);
}

// The cell pattern over both windows, the fades and the switch of the layer
// offset at 100 s.
void opening_2_kernel(instruction_set set) {
    effect_opening_2 fx(nullptr, nullptr);
    fill_pattern(fx.tex_background, 64, 48, 4);
    const moment moments[] = {{0.0, 55.0},     {7.3, 62.3},     {14.6, 69.6},  {158.2, 213.2},
                              {164.5, 219.5}, {170.9, 225.9}, {178.4, 233.4}};
    for (const moment& m : moments) {
        expect_scalar_frame(set, "at " + std::to_string(m.music_s) + " s", [&] {
            return whole_frame(band_layout::full_resolution, [&](int first, int end, uint32_t* pixels) {
                fx.render_band(first, end, m.t, pixels, m.music_s);
            });
        });
    }
    // What is compared is a picture with many colours, not a flat one.
    chosen_set chosen(instruction_set::scalar);
    const frame pixels = whole_frame(band_layout::full_resolution, [&](int first, int end, uint32_t* out) {
        fx.render_band(first, end, moments[1].t, out, moments[1].music_s);
    });
    EXPECT_GT(std::set<uint32_t>(pixels.begin(), pixels.end()).size(), 200u);
}

// The glass blobs over their window, the last at the fade to black.
void blobs1_kernel(instruction_set set) {
    vdk::core::logger log{99};
    effect_blobs1 blobs{nullptr, &log};
    fill_pattern(blobs.tex_env, 64, 64, 1);
    fill_pattern(blobs.tex_deep, 32, 32, 1);
    fill_pattern(blobs.tex_wall, 128, 128, 1);
    const moment moments[] = {{0.0, 192.0}, {1.7, 193.7}, {3.4, 195.4}, {5.1, 197.1}, {6.5, 198.5}};
    for (const moment& m : moments) {
        expect_scalar_frame(set, "at " + std::to_string(m.t), [&] {
            return whole_frame(band_layout::half_resolution, [&](int first, int end, uint32_t* pixels) {
                blobs.render_band(first, end, m.t, pixels, m.music_s);
            });
        });
    }
    // What is compared is a picture with many colours, glass and tunnel.
    chosen_set chosen(instruction_set::scalar);
    const frame pixels = whole_frame(band_layout::half_resolution, [&](int first, int end, uint32_t* out) {
        blobs.render_band(first, end, moments[2].t, out, moments[2].music_s);
    });
    EXPECT_GT(std::set<uint32_t>(pixels.begin(), pixels.end()).size(), 1000u);
}

// The glass rings over their window.
void blobs2_kernel(instruction_set set) {
    vdk::core::logger log{99};
    effect_blobs2 rings{nullptr, &log};
    fill_pattern(rings.tex_env, 64, 64, 1);
    fill_pattern(rings.tex_tint, 32, 32, 1);
    fill_pattern(rings.tex_back, 256, 256, 1);
    for (const double t : {0.0, 1.9, 3.8, 5.7, 6.99}) {
        expect_scalar_frame(set, "at " + std::to_string(t), [&] {
            return whole_frame(band_layout::half_resolution, [&](int first, int end, uint32_t* pixels) {
                rings.render_band(first, end, t, pixels);
            });
        });
    }
    // What is compared is a picture with many colours, rings and background.
    chosen_set chosen(instruction_set::scalar);
    const frame pixels = whole_frame(band_layout::half_resolution, [&](int first, int end, uint32_t* out) {
        rings.render_band(first, end, 3.8, out);
    });
    EXPECT_GT(std::set<uint32_t>(pixels.begin(), pixels.end()).size(), 1000u);
}

// The still with the torus: both sub-effects, their fades and several tumbles.
void still_01_kernel(instruction_set set) {
    effect_still_01 still(nullptr, nullptr);
    fill_pattern(still.tex_picture, 320, 240, 1);
    fill_pattern(still.tex_shade, 64, 64, 4);
    const moment moments[] = {{0.2, 85.2}, {1.5, 86.5}, {2.5, 87.5}, {3.2, 88.2}, {5.5, 90.5}};
    for (const moment& m : moments) {
        still.local_time = m.t;
        expect_scalar_frame(set, "at " + std::to_string(m.music_s), [&] {
            return whole_frame(band_layout::full_resolution, [&](int first, int end, uint32_t* pixels) {
                if (m.music_s >= 88) {
                    still.render_band_one(first, end, pixels, m.music_s);
                } else {
                    still.render_band_two(first, end, pixels, m.music_s);
                }
            });
        });
    }
}

// The glass lens: the fade in, the middle of the window and the fade out.
void still_02_kernel(instruction_set set) {
    effect_still_02 lens(nullptr, nullptr);
    fill_pattern(lens.tex_env, 64, 64, 4);
    fill_pattern(lens.tex_picture, 64, 64, 4);
    const moment moments[] = {{0.6, 236.6}, {3.3, 239.3}, {8.1, 244.1}, {14.4, 250.4}};
    for (const moment& m : moments) {
        expect_scalar_frame(set, "at " + std::to_string(m.music_s), [&] {
            return whole_frame(band_layout::half_resolution, [&](int first, int end, uint32_t* pixels) {
                lens.render_band(first, end, m.t, pixels, m.music_s);
            });
        });
    }
}

// The lava over its window: the fade in, the middle, the fade out, a clock
// before the start and one far on.
void lava_kernel(instruction_set set) {
    vdk::core::logger log{99};
    effect_lava lava{nullptr, &log};
    const moment moments[] = {{-1.0, 121.0}, {0.2, 122.2}, {1.9, 123.9}, {9.0, 130.0},
                              {17.4, 138.4}, {28.5, 149.5}, {-30.0, 135.0}, {4e5, 140.0}};
    for (const moment& m : moments) {
        expect_scalar_frame(set, "at " + std::to_string(m.t), [&] {
            return whole_frame(band_layout::half_resolution, [&](int first, int end, uint32_t* pixels) {
                lava.render_band(first, end, m.t, pixels, m.music_s);
            });
        });
    }
    // What is compared is a picture with many colours, not a black frame.
    chosen_set chosen(instruction_set::scalar);
    const frame pixels = whole_frame(band_layout::half_resolution, [&](int first, int end, uint32_t* out) {
        lava.render_band(first, end, 9.0, out, 130.0);
    });
    EXPECT_GT(std::set<uint32_t>(pixels.begin(), pixels.end()).size(), 100u);
}

struct kernel_case {
    const char* name;
    void (*check)(instruction_set set);
};

const kernel_case kernels[] = {
    {"opening_1", opening_1_kernel}, {"starfield", starfield_kernel}, {"opening_2", opening_2_kernel},
    {"blobs1", blobs1_kernel},       {"blobs2", blobs2_kernel},       {"still_01", still_01_kernel},
    {"still_02", still_02_kernel},   {"lava", lava_kernel},
};

struct kernel_and_set {
    const kernel_case* kernel;
    instruction_set set;
};

std::vector<kernel_and_set> every_kernel_and_set() {
    std::vector<kernel_and_set> all;
    for (const kernel_case& kernel : kernels) {
        for (instruction_set set : vector_sets()) all.push_back({&kernel, set});
    }
    return all;
}

}  // namespace

class vector_kernels : public ::testing::TestWithParam<kernel_and_set> {};

TEST_P(vector_kernels, draw_the_bits_of_the_scalar_kernel) {
    const kernel_and_set& param = GetParam();
    if (!instruction_set_supported(param.set)) {
        GTEST_SKIP() << instruction_set_name(param.set) << " not supported";
    }
    param.kernel->check(param.set);
}

INSTANTIATE_TEST_SUITE_P(every_kernel, vector_kernels, ::testing::ValuesIn(every_kernel_and_set()),
                         [](const ::testing::TestParamInfo<kernel_and_set>& info) {
                             return std::string(info.param.kernel->name) + "_" +
                                    instruction_set_name(info.param.set);
                         });
