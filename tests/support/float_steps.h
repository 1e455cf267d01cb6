#pragma once
// Single-precision values spread over a range, for the checks of functions
// of a float against a reference: every step-th float between two, by bit
// pattern, appended as doubles. Both ends have the same sign.

#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

inline void floats_between(float from, float to, uint32_t step, std::vector<double>& out) {
    uint32_t a;
    uint32_t b;
    std::memcpy(&a, &from, sizeof a);
    std::memcpy(&b, &to, sizeof b);
    if (a > b) std::swap(a, b);
    for (uint64_t bits = a; bits <= b; bits += step) {
        const uint32_t pattern = static_cast<uint32_t>(bits);
        float f;
        std::memcpy(&f, &pattern, sizeof f);
        out.push_back(f);
    }
}
