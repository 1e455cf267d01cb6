// The glass rings: failure message, ring shape, background along the view ray,
// row doubling.

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "effects/effect_blobs2.h"
#include "effects/glass_fixture.h"
#include "support/test_support.h"

using namespace raymarch;

namespace {

using glass_test::fill_pattern;

struct rings_fixture : glass_test::glass_fixture<effect_blobs2> {
    effect_blobs2& rings = effect;

    rings_fixture() {
        fill_pattern(rings.tex_env, 64);
        fill_pattern(rings.tex_tint, 32);
        fill_pattern(rings.tex_back, 256);
    }
    const std::vector<uint32_t>& frame(double t) {
        return draw([&](int first_row, int end_row, uint32_t* out) {
            rings.render_band(first_row, end_row, t, out);
        });
    }
};

}  // namespace

TEST(blobs2, a_missing_picture_is_reported_under_the_planes_name) {
    glass_test::expect_a_missing_picture_reported_under_the_planes_name<effect_blobs2>();
}

TEST(blobs2, rings_lie_flat_in_the_xz_plane_with_radii_2_7_and_0_4) {
    EXPECT_DOUBLE_EQ(ring_distance(vec3{2.7, 0, 0}), -0.4);
    EXPECT_DOUBLE_EQ(ring_distance(vec3{0, 0, -2.7}), -0.4);
    EXPECT_DOUBLE_EQ(ring_distance(vec3{0, 0, 0}), 2.3);
    EXPECT_DOUBLE_EQ(ring_distance(vec3{2.7, 1, 0}), 0.6);
    // Not in the xy plane: straight above the centre is off the ring.
    EXPECT_DOUBLE_EQ(ring_distance(vec3{0, 2.7, 0}), std::sqrt(2 * 2.7 * 2.7) - 0.4);
}

TEST(blobs2, a_missed_ray_shows_the_back_picture_along_the_ray) {
    rings_fixture f;
    const double t = 3.1;
    const std::vector<uint32_t>& pixels = f.frame(t);
    const glass_rings field(t);
    const orbit_camera camera(t, 8);
    int misses = 0;
    int hits = 0;
    for (int x = 0; x < screen_width; x += 3) {
        for (int j = 0; j < screen_height / 2; j += 3) {
            const vec3 rd = camera.ray(orbit_camera::column_offset(x), orbit_camera::row_offset(j));
            const uint32_t pixel = pixels[2 * j * screen_width + x];
            if (march(field, camera.eye, rd, 60, 0.001, 20) < -0.5) {
                ASSERT_EQ(pixel, f.rings.tex_back.sample(rd.x, rd.y) | 0xFF000000u) << x << ", " << j;
                ++misses;
            } else {
                ++hits;
            }
        }
    }
    EXPECT_GT(misses, 100);
    EXPECT_GT(hits, 100);
}

TEST(blobs2, rows_come_in_identical_pairs_and_the_rings_are_lit) {
    rings_fixture f;
    const std::vector<uint32_t>& pixels = f.frame(5.0);
    for (int j = 0; j < screen_height / 2; ++j)
        for (int x = 0; x < screen_width; ++x)
            ASSERT_EQ(pixels[2 * j * screen_width + x], pixels[(2 * j + 1) * screen_width + x])
                << "row pair " << j << " column " << x;
    // The back picture holds no white texel (blue is x ^ y, 0 where x = y =
    // 255); the highlights of the four lights saturate to white.
    int white = 0;
    for (uint32_t p : pixels) white += p == 0xFFFFFFFFu;
    EXPECT_GT(white, 0);
}

TEST(blobs2, bounded_marches_give_the_plain_marches_results_over_whole_frames) {
    // Here the inner march can meet another ring.
    glass_test::expect_bounded_marches_equal_the_plain_ones<glass_rings>(
        {0.0, 1.3, 2.9, 4.6, 6.99}, 8);
}

