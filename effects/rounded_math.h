#pragma once
// Single-precision results of the maths library's functions: the function of
// the single-precision argument, computed in double and rounded to single
// precision once. The float overloads (expf, powf) are not correctly rounded
// and round differently from one runtime library to another; the double
// functions are accurate far below a single-precision unit, so the rounded
// result is nearly always the exact value rounded, on every platform.

#include <cmath>

inline float rounded_exp(float x) {
    return static_cast<float>(std::exp(static_cast<double>(x)));
}

inline float rounded_pow(float base, float exponent) {
    return static_cast<float>(std::pow(static_cast<double>(base), static_cast<double>(exponent)));
}
