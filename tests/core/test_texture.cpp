// Texture storage, the alpha-weighted copy, the block blend and the sampler.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "core/texture.h"

using vdk::core::texture_gdi;

namespace {

void fill(texture_gdi& t, int w, int h, uint32_t value) {
    t.create(w, h);
    for (int i = 0; i < w * h; ++i) t.lock()[i] = value;
}

// Pixel (x, y) holds y * 1000 + x, so a sampled value names its texel.
void fill_indexed(texture_gdi& t, int w, int h) {
    t.create(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) t.lock()[y * w + x] = static_cast<uint32_t>(y * 1000 + x);
}

}  // namespace

TEST(texture, lifecycle_reports_empty_as_null_and_minus_one) {
    texture_gdi t;
    EXPECT_EQ(t.lock(), nullptr);
    EXPECT_EQ(t.status(), -1);
    EXPECT_EQ(t.width(), -1);
    EXPECT_EQ(t.create(320, 240), 0);
    EXPECT_NE(t.lock(), nullptr);
    EXPECT_EQ(t.pixels(), t.lock());
    EXPECT_EQ(t.status(), 0);
    EXPECT_EQ(t.width(), 320);
    EXPECT_EQ(t.height(), 240);
    EXPECT_EQ(t.release(), 0);
    EXPECT_EQ(t.width(), -1);  // the stored width remains, but is not reported
    EXPECT_EQ(t.height(), -1);
    EXPECT_EQ(t.lock(), nullptr);
    EXPECT_EQ(t.release(), 0);  // releasing twice is harmless
}

TEST(texture, create_of_zero_size_holds_pixels_and_negative_count_throws) {
    texture_gdi t;
    EXPECT_EQ(t.create(0, 5), 0);
    EXPECT_EQ(t.status(), 0);
    texture_gdi negative;
    EXPECT_THROW(negative.create(-1, 5), std::bad_array_new_length);
}

TEST(texture, creating_again_replaces_the_array_held) {
    texture_gdi t;
    fill(t, 4, 4, 0xFF112233u);
    EXPECT_EQ(t.create(2, 3), 0);  // the first array is freed (LeakSanitizer checks)
    EXPECT_EQ(t.width(), 2);
    EXPECT_EQ(t.height(), 3);
    EXPECT_NE(t.lock(), nullptr);
}

TEST(texture, draw_into_blends_by_alpha_with_a_divisor_of_256) {
    std::vector<uint32_t> target{0xFF0000FFu};
    texture_gdi source;
    fill(source, 1, 1, 0x80FF0000u);
    source.draw_into(target.data(), 0, 0, 1, 1, 255);
    EXPECT_EQ(target[0], 0xFF7F007Eu);

    target[0] = 0xFF000000u;
    fill(source, 1, 1, 0xFFFFFFFFu);
    source.draw_into(target.data(), 0, 0, 1, 1, 128);
    EXPECT_EQ(target[0], 0xFF7F7F7Fu);

    // Fully transparent still darkens the target by 255/256, and makes it opaque.
    target[0] = 0x00FFFFFFu;
    fill(source, 1, 1, 0x00123456u);
    source.draw_into(target.data(), 0, 0, 1, 1, 255);
    EXPECT_EQ(target[0], 0xFFFEFEFEu);

    // Opaque at full opacity copies the source unchanged.
    fill(source, 1, 1, 0xFF102030u);
    source.draw_into(target.data(), 0, 0, 1, 1, 255);
    EXPECT_EQ(target[0], 0xFF102030u);
}

TEST(texture, draw_into_clips_on_all_sides) {
    texture_gdi source;
    fill(source, 320, 2, 0xFFABCDEFu);
    std::vector<uint32_t> target(320 * 2, 0);
    source.draw_into(target.data(), -10, 0, 320, 2, 255);
    EXPECT_EQ(target[309], 0xFFABCDEFu);
    EXPECT_EQ(target[310], 0u);  // the source's first 10 columns were skipped

    std::fill(target.begin(), target.end(), 0);
    source.draw_into(target.data(), 315, 1, 320, 2, 255);
    int written = 0;
    for (uint32_t p : target) written += p != 0;
    EXPECT_EQ(written, 5);  // 5 columns of one row
    EXPECT_EQ(target[320 + 315], 0xFFABCDEFu);

    texture_gdi empty;
    std::fill(target.begin(), target.end(), 7);
    empty.draw_into(target.data(), 0, 0, 320, 2, 255);
    EXPECT_EQ(target[0], 7u);
}

TEST(texture, draw_onto_an_empty_target_draws_nothing) {
    texture_gdi source;
    fill(source, 2, 2, 0xFFFFFFFFu);
    texture_gdi target;
    EXPECT_EQ(source.draw_onto(target, 255), 0);
    EXPECT_EQ(target.lock(), nullptr);
}

TEST(texture, blend_from_uses_opacity_only) {
    texture_gdi t;
    fill(t, 3, 2, 0xFF000000u);
    const std::vector<uint32_t> block(4, 0x00FFFFFFu);  // alpha 0 is ignored
    t.blend_from(block.data(), 2, 2, 128);
    EXPECT_EQ(t.lock()[0], 0xFF7F7F7Fu);
    EXPECT_EQ(t.lock()[3 + 1], 0xFF7F7F7Fu);
    EXPECT_EQ(t.lock()[2], 0xFF000000u);  // outside the block
    t.blend_from(block.data(), 2, 2, 255);
    EXPECT_EQ(t.lock()[0], 0x00FFFFFFu);  // copied unchanged above 254
}

TEST(texture, sample_wraps_positive_and_mirrors_negative_coordinates) {
    texture_gdi t;
    fill_indexed(t, 320, 240);
    EXPECT_EQ(t.sample(0.5, 0.25), 60u * 1000 + 160);
    EXPECT_EQ(t.sample(-0.25, 1.5), 120u * 1000 + 80);
    EXPECT_EQ(t.sample(1.0, -0.001), 0u);
    EXPECT_EQ(t.sample(1.0, 1.0), 0u);
    EXPECT_EQ(t.sample(-0.25, 0.0), 80u);
    EXPECT_EQ(t.sample(2.75, 0.0), 240u);
}

TEST(texture, sample_of_unrepresentable_coordinates_is_safe) {
    texture_gdi t;
    fill_indexed(t, 320, 240);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    // Any texel or 0 will do; what matters is no undefined conversion (UBSan
    // checks that) and no read outside the array.
    EXPECT_EQ(t.sample(nan, 0.5), 120u * 1000);
    EXPECT_EQ(t.sample(0.5, inf), 160u);
    EXPECT_EQ(t.sample(-inf, -inf), 0u);
    EXPECT_EQ(t.sample(1e300, 0.0), 0u);
    EXPECT_EQ(t.sample(0.0, -1e12), 0u);
}
