#pragma once
// Small helpers shared by the picture designs: per-pixel fills, colour ramps
// and shaping functions. Everything is plain double arithmetic in a fixed
// order, so the results are the same on every run.

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <utility>
#include <vector>

#include "tools/assets/image.h"

namespace assets {

constexpr double pi = 3.14159265358979323846;

inline double clamp01(double v) { return v < 0 ? 0 : (v > 1 ? 1 : v); }

inline double smooth(double e0, double e1, double x) {
    const double t = clamp01((x - e0) / (e1 - e0));
    return t * t * (3 - 2 * t);
}

inline rgba scale(const rgba& c, double k) { return {c.r * k, c.g * k, c.b * k, c.a}; }
inline rgba add(const rgba& p, const rgba& q) { return {p.r + q.r, p.g + q.g, p.b + q.b, p.a}; }
inline rgba opaque(const rgba& c) { return {c.r, c.g, c.b, 1}; }
// Hex colour 0xRRGGBB.
inline rgba hex(unsigned v, double a = 1) {
    return {((v >> 16) & 0xff) / 255.0, ((v >> 8) & 0xff) / 255.0, (v & 0xff) / 255.0, a};
}

// A piecewise-linear colour ramp over t in [0, 1].
class ramp {
public:
    ramp(std::initializer_list<std::pair<double, rgba>> stops) : stops_(stops) {}
    rgba operator()(double t) const {
        if (t <= stops_.front().first) return stops_.front().second;
        for (size_t i = 1; i < stops_.size(); ++i) {
            if (t <= stops_[i].first) {
                const double span = stops_[i].first - stops_[i - 1].first;
                return mix(stops_[i - 1].second, stops_[i].second,
                           span > 0 ? (t - stops_[i - 1].first) / span : 1);
            }
        }
        return stops_.back().second;
    }

private:
    std::vector<std::pair<double, rgba>> stops_;
};

// A picture whose every pixel is f(x, y).
template <typename F>
image fill(int width, int height, F f) {
    image out(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) out.set(x, y, f(x, y));
    return out;
}

}  // namespace assets
