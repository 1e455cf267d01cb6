#pragma once
// Pictures as the generator builds them: 8-bit RGBA with straight (not
// premultiplied) alpha, top row first, pixel (x, y) at index 4 * (y * width + x),
// bytes in the order red, green, blue, alpha, exactly as they go into the PNG.

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace assets {

struct rgba {
    double r = 0, g = 0, b = 0, a = 1;  // each 0 … 1
};

inline rgba mix(const rgba& p, const rgba& q, double t) {
    return {p.r + (q.r - p.r) * t, p.g + (q.g - p.g) * t, p.b + (q.b - p.b) * t,
            p.a + (q.a - p.a) * t};
}

inline uint8_t to_byte(double v) {
    if (!(v > 0)) return 0;
    if (v >= 1) return 255;
    return static_cast<uint8_t>(v * 255.0 + 0.5);
}

struct image {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> bytes;  // 4 per pixel, RGBA

    image() = default;
    image(int w, int h) : width(w), height(h), bytes(static_cast<size_t>(w) * h * 4, 0) {}

    uint8_t* at(int x, int y) { return &bytes[(static_cast<size_t>(y) * width + x) * 4]; }
    const uint8_t* at(int x, int y) const {
        return &bytes[(static_cast<size_t>(y) * width + x) * 4];
    }
    void set(int x, int y, const rgba& c) {
        uint8_t* p = at(x, y);
        p[0] = to_byte(c.r);
        p[1] = to_byte(c.g);
        p[2] = to_byte(c.b);
        p[3] = to_byte(c.a);
    }
    rgba get(int x, int y) const {
        const uint8_t* p = at(x, y);
        return {p[0] / 255.0, p[1] / 255.0, p[2] / 255.0, p[3] / 255.0};
    }
};

// Writes an 8-bit RGBA PNG with fixed settings and no time stamp, so that the
// same picture always gives the same bytes. False when the file cannot be
// written.
bool write_png(const std::string& path, const image& picture);
// Encodes into memory (the same bytes write_png writes).
std::vector<uint8_t> encode_png(const image& picture);

}  // namespace assets
