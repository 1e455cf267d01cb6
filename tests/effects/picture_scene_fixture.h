#pragma once
// Shared by the tests of the title, credit and end-screen scenes: a host with
// a 320 x 240 back buffer and pictures made in the test.

#include <cstdint>
#include <functional>
#include <vector>

#include "core/texture.h"
#include "support/effect_test_host.h"

namespace picture_scene {

constexpr int pixel_count = screen_width * screen_height;

// The host the scenes draw into; with_back_buffer false for the failure paths.
using drawing_app = vdk::test::effect_test_host;

// Fills a texture of width x height with colour(x, y).
inline void paint(vdk::core::texture_gdi& texture, int width, int height,
                  const std::function<uint32_t(int, int)>& colour) {
    texture.create(width, height);
    uint32_t* pixels = texture.lock();
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) pixels[y * width + x] = colour(x, y);
}

inline void paint_uniform(vdk::core::texture_gdi& texture, uint32_t colour) {
    paint(texture, 64, 64, [colour](int, int) { return colour; });
}

// A picture whose every texel has its own colour, opaque.
inline uint32_t distinct_texel(int x, int y) {
    return 0xFF000000u + static_cast<uint32_t>(x & 0xFF) * 65536u +
           static_cast<uint32_t>(y & 0xFF) * 256u + static_cast<uint32_t>((x >> 8) * 64 + 7);
}

// A noise image with varying green bytes.
inline uint32_t noise_texel(int x, int y) {
    const uint32_t g = static_cast<uint32_t>((x * 37 + y * 91 + x * y) & 0xFF);
    return 0xFF000000u + g * 0x010101u;
}

inline int red(uint32_t pixel) { return static_cast<int>((pixel >> 16) & 0xFF); }
inline int channel(uint32_t pixel, int c) { return static_cast<int>((pixel >> (16 - 8 * c)) & 0xFF); }

// Indices where two frames differ.
inline std::vector<int> differing(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b) {
    std::vector<int> out;
    for (int i = 0; i < pixel_count; ++i)
        if (a[i] != b[i]) out.push_back(i);
    return out;
}

}  // namespace picture_scene
