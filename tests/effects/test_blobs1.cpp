// The glass blobs: failure message, clock, fade to black, row doubling, and
// which pixels show the tunnel and which the glass.

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "effects/effect_blobs1.h"
#include "effects/glass_fixture.h"
#include "support/effect_test_host.h"
#include "support/test_support.h"

using namespace raymarch;

namespace {

using glass_test::fill_pattern;

struct blobs_fixture : glass_test::glass_fixture<effect_blobs1> {
    effect_blobs1& blobs = effect;

    blobs_fixture() {
        fill_pattern(blobs.tex_env, 64);
        fill_pattern(blobs.tex_deep, 32);
        fill_pattern(blobs.tex_wall, 128);
    }
    const std::vector<uint32_t>& frame(double t, double music_s) {
        return draw([&](int first_row, int end_row, uint32_t* out) {
            blobs.render_band(first_row, end_row, t, out, music_s);
        });
    }
};

uint32_t pixel_of(const vec3& c) { return pack_color({c.x, c.y, c.z, 1}); }

}  // namespace

TEST(blobs1, a_missing_picture_is_reported_under_the_planes_name) {
    glass_test::expect_a_missing_picture_reported_under_the_planes_name<effect_blobs1>();
}

TEST(blobs1, clock_counts_seconds_from_the_first_frame_in_single_precision) {
    vdk::test::effect_test_host host;
    effect_blobs1 blobs(&host, host.log());
    fill_pattern(blobs.tex_env, 16);
    fill_pattern(blobs.tex_deep, 16);
    fill_pattern(blobs.tex_wall, 16);
    blobs.advance(192000, 192);
    EXPECT_EQ(blobs.start_time, 192000.0f);
    EXPECT_EQ(blobs.local_time, 0.0);
    EXPECT_EQ(blobs.run(195333, 195.333), 1);
    EXPECT_EQ(blobs.local_time, static_cast<double>(3333.0f / 1000.0f));
}

TEST(blobs1, fades_to_black_only_within_its_last_second) {
    blobs_fixture f;
    const std::vector<uint32_t> unfaded = f.frame(2.5, 150);
    EXPECT_EQ(f.frame(2.5, 198), unfaded);
    const std::vector<uint32_t> half = f.frame(2.5, 198.5);
    EXPECT_NE(half, unfaded);
    int darker = 0;
    for (size_t i = 0; i < half.size(); ++i) {
        ASSERT_LE((half[i] >> 16) & 0xFF, (unfaded[i] >> 16) & 0xFF);
        darker += ((half[i] >> 16) & 0xFF) < ((unfaded[i] >> 16) & 0xFF);
    }
    EXPECT_GT(darker, 10000);
    for (uint32_t p : f.frame(2.5, 199)) ASSERT_EQ(p, 0xFF000000u);
}

TEST(blobs1, rows_come_in_identical_pairs) {
    blobs_fixture f;
    const std::vector<uint32_t>& pixels = f.frame(4.2, 195);
    for (int j = 0; j < screen_height / 2; ++j)
        for (int x = 0; x < screen_width; ++x)
            ASSERT_EQ(pixels[2 * j * screen_width + x], pixels[(2 * j + 1) * screen_width + x])
                << "row pair " << j << " column " << x;
}

TEST(blobs1, a_missed_ray_shows_the_tunnel_and_a_hit_the_glass) {
    blobs_fixture f;
    const double t = 1.7;
    f.blobs.local_time = t;
    const std::vector<uint32_t>& pixels = f.frame(t, 195);
    const blob_spheres field(t);
    const orbit_camera camera(t, 5);
    const tunnel_frame tunnel(t);
    int misses = 0;
    int hits = 0;
    for (int x = 0; x < screen_width; x += 7) {
        for (int j = 0; j < screen_height / 2; j += 5) {
            const vec3 rd = camera.ray(orbit_camera::column_offset(x), orbit_camera::row_offset(j));
            const double hit = march(field, camera.eye, rd, 60, 0.001, 20);
            const uint32_t expected = hit < -0.5 ? pixel_of(f.blobs.tunnel_background(tunnel, x, j))
                                                 : pixel_of(f.blobs.shade(camera.eye + hit * rd, rd));
            ASSERT_EQ(pixels[2 * j * screen_width + x], expected) << x << ", " << j;
            (hit < -0.5 ? misses : hits) += 1;
        }
    }
    // Both kinds of pixel occur, and they differ in look.
    EXPECT_GT(misses, 100);
    EXPECT_GT(hits, 100);
}

TEST(blobs1, tunnel_radius_takes_the_exact_powers_rounded_once) {
    // With white pictures, the frame of time t = 0 or 0.01, and pixels where
    // |B/A| > 1.1 (only the inner layer shows) and the wave leaves the band
    // at 0, the colour is radius^2 * 1.2. At these pixels a single-precision
    // pow is one unit off in the power 1/32 (the first) or 16 (the second);
    // the radii below are the exact values rounded at each step.
    vdk::core::logger log{99};
    effect_blobs1 blobs{nullptr, &log};
    for (vdk::core::texture_gdi* texture : {&blobs.tex_env, &blobs.tex_wall}) {
        texture->create(8, 8);
        for (int i = 0; i < 64; ++i) texture->lock()[i] = 0xFFFFFFFFu;
    }
    struct case_at {
        double t;
        int x;
        int j;
        float radius;
    };
    for (const case_at& c : {case_at{0.0, 64, 71, 0x1.333338p-1f}, case_at{0.01, 19, 87, 0x1.c0e562p-1f}}) {
        const vec3 colour = blobs.tunnel_background(tunnel_frame(c.t), c.x, c.j);
        const double expected = static_cast<double>(c.radius) * c.radius * 1.2;
        EXPECT_EQ(colour.x, expected) << c.x << ", " << c.j;
        EXPECT_EQ(colour.y, expected) << c.x << ", " << c.j;
        EXPECT_EQ(colour.z, expected) << c.x << ", " << c.j;
    }
}

TEST(blobs1, scene_distance_is_the_soft_union_of_three_unit_spheres) {
    blobs_fixture f;
    f.blobs.local_time = 0;
    // At t = 0 the first centre is 1.5 (1, 1, 1).
    const vec3 c1{1.5, 1.5, 1.5};
    EXPECT_LT(f.blobs.scene_distance(c1), -0.99);
    // Far from all three, the nearest sphere dominates; the union lies a
    // little below it.
    const vec3 far{40, 0, 0};
    EXPECT_LT(f.blobs.scene_distance(far), length(far - c1) - 1);
    EXPECT_NEAR(f.blobs.scene_distance(far), length(far - c1) - 1, 0.005);
}

TEST(blobs1, bounded_marches_give_the_plain_marches_results_over_whole_frames) {
    // At times spread over the window.
    glass_test::expect_bounded_marches_equal_the_plain_ones<blob_spheres>(
        {0.0, 1.7, 3.25, 5.5, 6.99}, 5);
}

