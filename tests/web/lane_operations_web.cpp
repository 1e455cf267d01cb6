// The SIMD128 lane operations and the rounded exp and pow over them, run
// under node as WebAssembly, against the scalar lanes bit for bit: the same
// check as the desktop's lane tests, for the set that only the browser runs.
// Operands: the edges of each operation (signed zeros, halves, the reach of
// the rounding through 2^52, infinities, NaN, subnormals, the single-precision
// overflow, underflow and midpoints) paired with each other, and random bit
// patterns. Prints each difference; exit code 0 when there is none.

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "effects/rounded_math.h"
#include "support/float_steps.h"

#define LANE_KERNEL "effects/lane_operations.inc"  // in tests/
#define LANE_KERNEL_SETS (LANE_SET_SCALAR | LANE_SET_SIMD128)
#include "effects/lane_kernels.h"

namespace {

#if !defined(VDK_WASM_LANES)
#error "build this with -msimd128"
#endif

constexpr int operation_count = 21;
constexpr int any_operation = 11;
constexpr int floor_within_operation = 20;

bool same_bits(double a, double b) {
    // Which NaN an operation on two NaNs gives depends on the order of its
    // operands, which the compiler may swap; any NaN is a NaN.
    if (std::isnan(a) && std::isnan(b)) return true;
    return std::memcmp(&a, &b, sizeof a) == 0;
}

int check_operations() {
    const double two_52 = 4503599627370496.0;
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double float_max = std::numeric_limits<float>::max();
    std::vector<double> values = {0.0, -0.0, 0.5, -0.5, 1.5, -1.5, 2.5, -2.5, 0.49999999999999994, 1.0, -1.0,
                                  two_52 - 0.5, -(two_52 - 0.5), two_52, -two_52, two_52 + 1, two_52 / 2 + 0.5,
                                  1e300, -1e300, inf, -inf, nan, -nan, 4.9e-324, -4.9e-324,
                                  2.2250738585072014e-308, 1.0 / 3, -7.25, 1e17, float_max,
                                  // just below and at the midpoint to the next power of two past
                                  // the largest float: the first rounds to it, the second to infinity
                                  3.4028235677973362e38, 3.4028235677973366e38, -3.4028235677973366e38,
                                  // the smallest subnormal float, half of it (a tie to 0) and just above
                                  1.401298464324817e-45, 7.006492321624085e-46, 7.006492321624087e-46,
                                  // ties to even and just past them
                                  1.0000000596046448, 1.0000000894069672, 1.0000000596046450, -0.3, 1e-40};
    std::vector<double> a;
    std::vector<double> b;
    for (double x : values) {
        for (double y : values) {
            a.push_back(x);
            b.push_back(y);
        }
    }
    std::mt19937_64 random(26);
    for (int i = 0; i < 4096; ++i) {
        a.push_back(double_from_bits(random()));
        b.push_back(double_from_bits(random()));
    }
    if (a.size() % 2 != 0) {
        a.push_back(0.75);
        b.push_back(-0.25);
    }
    const int count = static_cast<int>(a.size());
    std::vector<double> expected(count);
    std::vector<double> actual(count);
    int failures = 0;
    for (int op = 0; op < operation_count; ++op) {
        scalar_kernel::apply(op, a.data(), b.data(), expected.data(), count);
        simd128_kernel::apply(op, a.data(), b.data(), actual.data(), count);
        for (int i = 0; i < count; ++i) {
            if (op == any_operation) {
                // one answer per pair of lanes
                const int first = i - i % 2;
                expected[i] = !(a[first] < b[first]) || !(a[first + 1] < b[first + 1]) ? 1.0 : 0.0;
            }
            if (op == floor_within_operation && !(std::fabs(a[i]) < two_52 / 2)) continue;
            if (!same_bits(actual[i], expected[i]) && ++failures <= 20) {
                std::printf("operation %d (%.17g, %.17g): %.17g instead of %.17g\n", op, a[i], b[i], actual[i],
                            expected[i]);
            }
        }
    }
    return failures;
}

// Every 331st float from 0 to 3.5 as a base (the lava's range), every 331st
// from -200 to 10 as an exponent, and the ends.
int check_rounded_functions() {
    std::vector<double> x = {0.0, 1.4e-45, 1.1754942e-38, 1.0, 3.4999998, -0.0, -103.97, -104.0, -200.0, 10.0};
    floats_between(0.0f, 3.5f, 331, x);
    floats_between(-0.0f, -200.0f, 331, x);
    floats_between(0.0f, 10.0f, 331, x);
    for (double& v : x) v = static_cast<float>(v);
    if (x.size() % 2 != 0) x.push_back(1.0);
    const int count = static_cast<int>(x.size());
    std::vector<double> powers(count);
    std::vector<double> exponentials(count);
    long fallbacks = 0;
    simd128_kernel::rounded_functions(x.data(), 2.3f, powers.data(), exponentials.data(), count, fallbacks);
    int failures = 0;
    for (int i = 0; i < count; ++i) {
        const float argument = static_cast<float>(x[i]);
        const float power = rounded_pow(argument, 2.3f);
        if (argument >= 0 && argument <= 3.5f && !same_bits(powers[i], power) && ++failures <= 20) {
            std::printf("pow(%.9g, 2.3): %.9g instead of %.9g\n", argument, powers[i], power);
        }
        if (!same_bits(exponentials[i], rounded_exp(argument)) && ++failures <= 20) {
            std::printf("exp(%.9g): %.9g instead of %.9g\n", argument, exponentials[i], rounded_exp(argument));
        }
    }
    std::printf("%d arguments, %ld through the library\n", count, fallbacks);
    return failures;
}

}  // namespace

int main() {
    const int failures = check_operations() + check_rounded_functions();
    std::printf("%s\n", failures == 0 ? "the SIMD128 lanes give the scalar bits" : "differences found");
    return failures == 0 ? 0 : 1;
}
