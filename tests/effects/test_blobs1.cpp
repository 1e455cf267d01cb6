// The glass blobs: failure message, clock, fade to black, row doubling, and
// which pixels show the tunnel and which the glass.

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "app/my_app.h"
#include "core/window_headless.h"
#include "effects/effect_blobs1.h"
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

struct blobs_fixture {
    vdk::test::scoped_work_dir dir;
    vdk::core::logger log{99};
    effect_blobs1 blobs{nullptr, &log};
    std::vector<uint32_t> pixels = std::vector<uint32_t>(screen_width * screen_height, 0u);

    blobs_fixture() {
        fill_pattern(blobs.tex_env, 64);
        fill_pattern(blobs.tex_deep, 32);
        fill_pattern(blobs.tex_wall, 128);
    }
    const std::vector<uint32_t>& frame(double t, double music_s) {
        for (int band = 0; band < 4; ++band) {
            const band_rows rows = rows_of_band(band_layout::half_resolution, band);
            blobs.render_band(rows.first_row, rows.end_row, t, pixels.data(), music_s);
        }
        return pixels;
    }
};

uint32_t pixel_of(const vec3& c) { return pack_color({c.x, c.y, c.z, 1}); }

}  // namespace

TEST(blobs1, a_missing_picture_is_reported_under_the_planes_name) {
    vdk::test::scoped_work_dir dir;
    {
        vdk::core::logger log(vdk::core::file);
        effect_blobs1 blobs(nullptr, &log);
        EXPECT_FALSE(blobs.init());
    }
    const auto lines = vdk::test::read_lines("app.log");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("[ERROR]] effect_tunnel2 failed to initialize itself"),
              std::string::npos);
}

TEST(blobs1, clock_counts_seconds_from_the_first_frame_in_single_precision) {
    vdk::test::scoped_work_dir dir;
    my_app app(std::make_unique<vdk::core::headless_window>(),
               std::make_unique<vdk::core::scripted_output>());
    app.create(show_title, screen_width, screen_height);
    fill_pattern(app.blobs1.tex_env, 16);
    fill_pattern(app.blobs1.tex_deep, 16);
    fill_pattern(app.blobs1.tex_wall, 16);
    app.blobs1.advance(192000, 192);
    EXPECT_EQ(app.blobs1.start_time, 192000.0f);
    EXPECT_EQ(app.blobs1.local_time, 0.0);
    EXPECT_EQ(app.blobs1.run(195333, 195.333), 1);
    EXPECT_EQ(app.blobs1.local_time, static_cast<double>(3333.0f / 1000.0f));
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
    // Every ray of the frame and, from each hit, the inner march: the same
    // sums bit for bit, at times spread over the window.
    for (const double t : {0.0, 1.7, 3.25, 5.5, 6.99}) {
        const blob_spheres field(t);
        const bounding_balls<3> bounds = field.bounds();
        const orbit_camera camera(t, 5);
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

