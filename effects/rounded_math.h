#pragma once
// Single-precision results of the maths library's functions: the function of
// the single-precision argument, computed in double and rounded to single
// precision once. The float overloads (expf, powf) are not correctly rounded
// and round differently from one runtime library to another; the double
// functions are accurate far below a single-precision unit, so the rounded
// result is nearly always the exact value rounded, on every platform.
//
// rounded_math_lanes.inc computes the same two functions over vector lanes,
// with the same results bit for bit; its tables are rounded_math_lane_tables().

#include <cmath>

inline float rounded_exp(float x) {
    return static_cast<float>(std::exp(static_cast<double>(x)));
}

inline float rounded_pow(float base, float exponent) {
    return static_cast<float>(std::pow(static_cast<double>(base), static_cast<double>(exponent)));
}

// The tables of the lane versions. Entry i of the logarithm's covers the
// significands [1 + i/512, 1 + (i+1)/512): an inverse of their middle with
// 20 bits after the point (so that a single-precision significand times it
// is exact) and minus its logarithm. Entry j of the exponential's is the
// pattern of 2^(j/512) less j << 43, so that adding k << 43 gives 2^(k/512).
struct rounded_math_tables {
    static constexpr int size = 512;
    double log_inverse[size];
    double log_of_inverse[size];
    double exp_pattern[size];
};

// Filled once, at the first call (thread-safe).
const rounded_math_tables& rounded_math_lane_tables();
