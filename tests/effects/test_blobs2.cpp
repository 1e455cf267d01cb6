// The glass rings: failure message, ring shape, background along the view ray,
// row doubling.

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "effects/effect_blobs2.h"
#include "support/test_support.h"

namespace {

// A texture whose texel (x, y) has red x, green y and blue x ^ y.
void fill_pattern(vdk::core::texture_gdi& texture, int size) {
    texture.create(size, size);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
            texture.lock()[y * size + x] =
                0xFF000000u | (x & 0xFF) << 16 | (y & 0xFF) << 8 | ((x ^ y) & 0xFF);
}

struct rings_fixture {
    vdk::core::logger log{99};
    effect_blobs2 rings{nullptr, &log};
    std::vector<uint32_t> pixels = std::vector<uint32_t>(screen_width * screen_height, 0u);

    rings_fixture() {
        fill_pattern(rings.tex_env, 64);
        fill_pattern(rings.tex_tint, 32);
        fill_pattern(rings.tex_back, 256);
    }
    const std::vector<uint32_t>& frame(double t) {
        for (int band = 0; band < 4; ++band) {
            const band_rows rows = rows_of_band(band_layout::half_resolution, band);
            rings.render_band(rows.first_row, rows.end_row, t, pixels.data());
        }
        return pixels;
    }
};

}  // namespace

TEST(blobs2, a_missing_picture_is_reported_under_the_planes_name) {
    vdk::test::scoped_work_dir dir;
    {
        vdk::core::logger log(vdk::core::file);
        effect_blobs2 rings(nullptr, &log);
        EXPECT_FALSE(rings.init());
    }
    const auto lines = vdk::test::read_lines("app.log");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("[ERROR]] effect_tunnel2 failed to initialize itself"),
              std::string::npos);
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
    // Every ray of the frame and, from each hit, the inner march (which here
    // can meet another ring): the same sums bit for bit.
    for (const double t : {0.0, 1.3, 2.9, 4.6, 6.99}) {
        const glass_rings field(t);
        const bounding_balls<3> bounds = field.bounds();
        const orbit_camera camera(t, 8);
        const double at_eye = field(camera.eye);
        int hits = 0;
        for (int x = 0; x < screen_width; ++x) {
            for (int j = 0; j < screen_height / 2; ++j) {
                const vec3 rd =
                    camera.ray(orbit_camera::column_offset(x), orbit_camera::row_offset(j));
                const double plain = march(field, camera.eye, rd, 60, 0.001, 20);
                const double bounded =
                    bounded_march(field, bounds, camera.eye, rd, 60, 0.001, 20, &at_eye);
                ASSERT_EQ(bounded, plain) << t << ": " << x << ", " << j;
                if (plain < -0.5) continue;
                ++hits;
                const vec3 p = camera.eye + plain * rd;
                const vec3 inward = refract(rd, tetrahedral_normal(field, p, 0.002), 0.9);
                const glass_exit a = march_to_exit(field, p, inward, 60);
                const glass_exit b = bounded_march_to_exit(field, bounds, p, inward, 60);
                ASSERT_EQ(b.travel, a.travel) << t << ": " << x << ", " << j;
                ASSERT_EQ(b.point.x, a.point.x);
                ASSERT_EQ(b.point.y, a.point.y);
                ASSERT_EQ(b.point.z, a.point.z);
            }
        }
        EXPECT_GT(hits, 1000) << t;
    }
}

