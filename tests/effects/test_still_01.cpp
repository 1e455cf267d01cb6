#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "effects/effect_still_01.h"
#include "support/effect_test_host.h"
#include "support/test_support.h"

using namespace raymarch;

namespace {

constexpr uint32_t picture_colour = 0xFF204080u;

// A host with a back buffer and an effect_still_01 that has a plain picture
// and a plain shade texture (no files are read).
class still_01_test : public ::testing::Test {
protected:
    void SetUp() override {
        fill(effect().tex_picture, 320, 240, picture_colour);
        fill(effect().tex_shade, 64, 64, 0xFF102030u);
    }

    static void fill(vdk::core::texture_gdi& texture, int width, int height, uint32_t colour) {
        texture.create(width, height);
        std::fill(texture.pixels(), texture.pixels() + width * height, colour);
    }

    effect_still_01& effect() { return still; }

    // Draws one whole frame with a sub-effect's kernel at music position s.
    std::vector<uint32_t> kernel_frame(bool one, double s) {
        std::vector<uint32_t> pixels(screen_width * screen_height, 0);
        for (int band = 0; band < 4; ++band) {
            const band_rows rows = rows_of_band(band_layout::full_resolution, band);
            if (one)
                effect().render_band_one(rows.first_row, rows.end_row, pixels.data(), s);
            else
                effect().render_band_two(rows.first_row, rows.end_row, pixels.data(), s);
        }
        return pixels;
    }

    static uint32_t pixel_at(const std::vector<uint32_t>& frame, int x, int y) {
        return frame[y * screen_width + x];
    }

    vdk::test::effect_test_host host;
    effect_still_01 still{&host, host.log()};
};

// A channel byte of the plain picture moved toward white by x, alpha 1.
uint32_t toward_white(uint32_t byte, double x) { return color_byte(byte / 255.0 * (1 - x) + x); }

bool every_pixel_is(const std::vector<uint32_t>& frame, uint32_t colour) {
    for (uint32_t p : frame)
        if (p != colour) return false;
    return true;
}

TEST_F(still_01_test, fades_in_from_white_over_the_first_half_second) {
    EXPECT_TRUE(every_pixel_is(kernel_frame(false, 85.0), 0xFFFFFFFFu));

    // Corner pixels never meet the torus: the picture halfway to white.
    const std::vector<uint32_t> halfway = kernel_frame(false, 85.25);
    const uint32_t expected = 0xFF000000u | toward_white(0x20, 0.5) << 16 |
                              toward_white(0x40, 0.5) << 8 | toward_white(0x80, 0.5);
    EXPECT_EQ(pixel_at(halfway, 0, 0), expected);
    EXPECT_EQ(pixel_at(halfway, 319, 239), expected);

    // From 85.5 s to 87 s the picture shows plainly.
    EXPECT_EQ(pixel_at(kernel_frame(false, 85.5), 0, 0), picture_colour);
    EXPECT_EQ(pixel_at(kernel_frame(false, 87.0), 319, 0), picture_colour);
}

TEST_F(still_01_test, switch_at_88_seconds_is_white_on_both_sides) {
    const std::vector<uint32_t> before = kernel_frame(false, 87.999);
    for (uint32_t p : before) {
        EXPECT_GE((p >> 16) & 0xFF, 254u);
        EXPECT_GE(p & 0xFF, 254u);
    }
    EXPECT_TRUE(every_pixel_is(kernel_frame(true, 88.0), 0xFFFFFFFFu));
    EXPECT_EQ(pixel_at(kernel_frame(true, 88.5), 0, 0), picture_colour);
}

TEST_F(still_01_test, run_picks_the_sub_effect_by_music_position) {
    // At 87.5 s effect_two is halfway to white, while effect_one's fade-in
    // would still be white; at 89 s effect_one shows the picture, while
    // effect_two's fade would be white.
    effect().run(0.0f, 87.5);
    EXPECT_EQ(host.pixels()[0], pixel_at(kernel_frame(false, 87.5), 0, 0));
    EXPECT_NE(host.pixels()[0], 0xFFFFFFFFu);
    effect().run(1500.0f, 89.0);
    EXPECT_EQ(host.pixels()[0], picture_colour);
    EXPECT_DOUBLE_EQ(effect().local_time, 1.5);
}

TEST_F(still_01_test, fade_to_black_halves_colours_and_lifts_alpha_halfway) {
    const std::vector<uint32_t> opaque = kernel_frame(true, 90.5);
    EXPECT_EQ(pixel_at(opaque, 0, 0), 0xFF000000u | color_byte(0x20 / 255.0 * 0.5) << 16 |
                                          color_byte(0x40 / 255.0 * 0.5) << 8 |
                                          color_byte(0x80 / 255.0 * 0.5));

    // A transparent picture pixel: alpha 0 lifted to 0.5, colours halved, and
    // the colours weighted by that alpha.
    fill(effect().tex_picture, 320, 240, 0x00FF8040u);
    const std::vector<uint32_t> clear = kernel_frame(true, 90.5);
    EXPECT_EQ(pixel_at(clear, 0, 0), 0xFF000000u | color_byte(0.25) << 16 |
                                         color_byte(0x80 / 255.0 * 0.25) << 8 |
                                         color_byte(0x40 / 255.0 * 0.25));
    EXPECT_TRUE(every_pixel_is(kernel_frame(true, 91.0), 0xFF000000u));
}

TEST_F(still_01_test, torus_covers_the_centre_and_adds_its_shade_colour) {
    const std::vector<uint32_t> frame = kernel_frame(false, 86.0);
    // The centre ray hits the tumbling ring; shade 0x102030 plus its alpha
    // brightens the picture there.
    const uint32_t centre = pixel_at(frame, 160, 120);
    EXPECT_NE(centre, picture_colour);
    EXPECT_GT((centre >> 16) & 0xFF, 0x20u);
    EXPECT_EQ(pixel_at(frame, 0, 0), picture_colour);
}

TEST_F(still_01_test, shade_sample_without_red_adds_nothing) {
    fill(effect().tex_shade, 64, 64, 0xFF00FFFFu);  // green, blue and alpha, red 0
    EXPECT_TRUE(every_pixel_is(kernel_frame(false, 86.0), picture_colour));
    effect().local_time = 2.7;
    EXPECT_TRUE(every_pixel_is(kernel_frame(false, 86.0), picture_colour));
}

TEST(still_01_distance, torus_of_ring_half_and_tube_point_six) {
    effect_still_01 effect(nullptr, nullptr);
    // The ring lies in the x-z plane at time 0.
    EXPECT_NEAR(effect.torus_distance({1.1, 0, 0}), 0.0, 1e-12);
    EXPECT_NEAR(effect.torus_distance({0, 0, -1.1}), 0.0, 1e-12);
    EXPECT_NEAR(effect.torus_distance({0, 1.1, 0}), std::sqrt(0.25 + 1.21) - 0.6, 1e-12);
    // Tumbling leaves the centre, inside the closed hole, where it is.
    for (double t : {0.0, 0.7, 3.1, 40.0}) {
        effect.local_time = t;
        EXPECT_NEAR(effect.torus_distance({0, 0, 0}), -0.1, 1e-12);
    }
    effect.local_time = 1.0;
    EXPECT_GT(std::fabs(effect.torus_distance({1.1, 0, 0})), 0.01);
}

TEST(still_01_init, reports_under_the_corridor_name) {
    vdk::test::scoped_work_dir dir;
    vdk::core::logger log(vdk::core::file);
    effect_still_01 effect(nullptr, &log);
    EXPECT_FALSE(effect.init());
    const std::vector<std::string> lines = vdk::test::read_lines("app.log");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("[ERROR]] effect_chernobil failed to initialize itself"),
              std::string::npos);

    std::filesystem::create_directories("_glimmerock/2d");
    std::filesystem::create_directories("_glimmerock/textures");
    const std::vector<uint32_t> one_pixel{0xFF112233u};
    vdk::test::write_png("_glimmerock/2d/still_01.png", 1, 1, one_pixel, false);
    EXPECT_FALSE(effect.init());  // the shade texture is still missing
    vdk::test::write_png("_glimmerock/textures/rust.png", 1, 1, one_pixel, false);
    EXPECT_TRUE(effect.init());
    EXPECT_EQ(vdk::test::read_lines("app.log").size(), 2u);
}

}  // namespace

TEST(still_01_distance, rays_passing_far_from_the_centre_never_come_near_the_torus) {
    // The kernel skips the march of a ray whose line passes 1.2 or more from
    // the origin: along every such ray of the frame, at any tumble, the five
    // steps stay at least 0.1 from the torus, so none of them is a hit.
    effect_still_01 effect(nullptr, nullptr);
    const double focal_length = 579.4112549695428;
    for (double t : {0.0, 0.9, 2.2, 3.6, 5.1}) {
        effect.local_time = t;
        int clear_rays = 0;
        for (int y = 0; y < screen_height; ++y) {
            for (int x = 0; x < screen_width; ++x) {
                const double dx = x - 160;
                const double dy = y - 120;
                const double length = std::sqrt(dy * dy + dx * dx + focal_length * focal_length);
                const vec3 dir{dx / length, dy / length, -focal_length / length};
                const double along = -6 * dir.z;
                if (36 - along * along < 1.2 * 1.2) continue;
                ++clear_rays;
                double travel = 0;
                for (int step = 0; step < 5; ++step) {
                    const double d = effect.torus_distance(vec3{0, 0, 6} + travel * dir);
                    ASSERT_GT(d, 0.1 - 1e-9) << x << ", " << y << " at " << t;
                    travel += d;
                }
            }
        }
        EXPECT_GT(clear_rays, 30000);
    }
}

