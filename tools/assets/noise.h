#pragma once
// Deterministic noise for the textures. Every function here is periodic: with
// a period of n lattice cells the value at x equals the value at x + n, so a
// texture that maps its width onto a whole number of periods tiles without a
// seam. Lattice values come from an integer hash, never from a library random
// generator, so the pictures are the same on every run and every machine.

#include <cmath>
#include <cstdint>

namespace assets::noise {

// A 32-bit integer mix with good avalanche.
inline uint32_t hash(uint32_t x) {
    x ^= x >> 16;
    x *= 0x7feb352dU;
    x ^= x >> 15;
    x *= 0x846ca68bU;
    x ^= x >> 16;
    return x;
}

inline uint32_t hash(int x, int y, uint32_t seed) {
    return hash(static_cast<uint32_t>(x) + hash(static_cast<uint32_t>(y) + hash(seed)));
}

// Uniform in [0, 1).
inline double unit(int x, int y, uint32_t seed) {
    return (hash(x, y, seed) >> 8) * (1.0 / 16777216.0);
}

inline int wrap(int v, int n) { return ((v % n) + n) % n; }

// 0 at 0, 1 at 1, flat at both ends (quintic).
inline double fade(double t) { return t * t * t * (t * (t * 6 - 15) + 10); }

inline double lerp(double a, double b, double t) { return a + (b - a) * t; }

// Value noise in [0, 1), period px × py cells.
inline double value(double x, double y, int px, int py, uint32_t seed) {
    const double fx = std::floor(x), fy = std::floor(y);
    const int ix = static_cast<int>(fx), iy = static_cast<int>(fy);
    const double tx = fade(x - fx), ty = fade(y - fy);
    const int x0 = wrap(ix, px), x1 = wrap(ix + 1, px);
    const int y0 = wrap(iy, py), y1 = wrap(iy + 1, py);
    return lerp(lerp(unit(x0, y0, seed), unit(x1, y0, seed), tx),
                lerp(unit(x0, y1, seed), unit(x1, y1, seed), tx), ty);
}

// Gradient noise, roughly in [-1, 1], period px × py cells.
inline double gradient(double x, double y, int px, int py, uint32_t seed) {
    const double fx = std::floor(x), fy = std::floor(y);
    const int ix = static_cast<int>(fx), iy = static_cast<int>(fy);
    const double dx = x - fx, dy = y - fy;
    auto corner = [&](int cx, int cy, double ox, double oy) {
        // Eight gradient directions, picked by the hash.
        static const double gx[8] = {1, -1, 0, 0, 0.7071067811865476, -0.7071067811865476,
                                     0.7071067811865476, -0.7071067811865476};
        static const double gy[8] = {0, 0, 1, -1, 0.7071067811865476, 0.7071067811865476,
                                     -0.7071067811865476, -0.7071067811865476};
        const uint32_t h = hash(wrap(cx, px), wrap(cy, py), seed) & 7U;
        return gx[h] * ox + gy[h] * oy;
    };
    const double tx = fade(dx), ty = fade(dy);
    const double n00 = corner(ix, iy, dx, dy), n10 = corner(ix + 1, iy, dx - 1, dy);
    const double n01 = corner(ix, iy + 1, dx, dy - 1), n11 = corner(ix + 1, iy + 1, dx - 1, dy - 1);
    return 1.4142135623730951 * lerp(lerp(n00, n10, tx), lerp(n01, n11, tx), ty);
}

// Fractal sum of gradient noise: octave k has twice the frequency (and twice
// the period in cells) of octave k − 1 and gain^k of its amplitude. Result
// roughly in [-1, 1].
inline double fbm(double x, double y, int px, int py, int octaves, uint32_t seed,
                  double gain = 0.5) {
    double sum = 0, amp = 1, norm = 0;
    for (int k = 0; k < octaves; ++k) {
        sum += amp * gradient(x, y, px, py, seed + static_cast<uint32_t>(k) * 1013U);
        norm += amp;
        amp *= gain;
        x *= 2;
        y *= 2;
        px *= 2;
        py *= 2;
    }
    return sum / norm;
}

// Ridged fractal sum: sharp crests where the noise crosses zero; in [0, 1].
inline double ridged(double x, double y, int px, int py, int octaves, uint32_t seed) {
    double sum = 0, amp = 1, norm = 0;
    for (int k = 0; k < octaves; ++k) {
        const double n = 1 - std::fabs(gradient(x, y, px, py, seed + static_cast<uint32_t>(k) * 7919U));
        sum += amp * n * n;
        norm += amp;
        amp *= 0.5;
        x *= 2;
        y *= 2;
        px *= 2;
        py *= 2;
    }
    return sum / norm;
}

// Cellular noise: distances to the nearest and second-nearest feature point
// (one per cell, Euclidean), in cell units; periodic like the rest.
struct cells {
    double f1 = 8, f2 = 8;
    int id = 0;  // hash of the nearest cell, for flat colouring per cell
};

inline cells cellular(double x, double y, int px, int py, uint32_t seed) {
    const int ix = static_cast<int>(std::floor(x)), iy = static_cast<int>(std::floor(y));
    cells out;
    for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
            const int cx = wrap(ix + dx, px), cy = wrap(iy + dy, py);
            const double fx = ix + dx + unit(cx, cy, seed);
            const double fy = iy + dy + unit(cx, cy, seed ^ 0x9e3779b9U);
            const double d = std::sqrt((fx - x) * (fx - x) + (fy - y) * (fy - y));
            if (d < out.f1) {
                out.f2 = out.f1;
                out.f1 = d;
                out.id = static_cast<int>(hash(cx, cy, seed + 17U) & 0x7fffffff);
            } else if (d < out.f2) {
                out.f2 = d;
            }
        }
    }
    return out;
}

}  // namespace assets::noise
