#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "effects/effect_still_02.h"
#include "support/effect_test_host.h"
#include "support/test_support.h"

using namespace raymarch;

namespace {

void fill(vdk::core::texture_gdi& texture, int width, int height, uint32_t colour) {
    texture.create(width, height);
    std::fill(texture.pixels(), texture.pixels() + width * height, colour);
}

// A field along the z axis from the origin: 'first' at z = 0, 'rest' beyond;
// counts its evaluations.
struct scripted_field {
    double first;
    double rest;
    mutable int evaluations = 0;
    double operator()(const vec3& p) const {
        ++evaluations;
        return p.z == 0 ? first : rest;
    }
};

const vec3 origin{0, 0, 0};
const vec3 along_z{0, 0, 1};

TEST(still_02_march, sum_reaching_twenty_is_a_miss_even_after_a_small_step) {
    // 20 - 2^-11 and then 2^-11 (below the epsilon) sum to exactly 20.
    scripted_field field{20 - 0.00048828125, 0.00048828125};
    EXPECT_EQ(effect_still_02::march_lens(field, origin, along_z), -1.0);
    EXPECT_EQ(field.evaluations, 2);

    scripted_field short_of_it{19.99, 0.0005};
    EXPECT_DOUBLE_EQ(effect_still_02::march_lens(short_of_it, origin, along_z), 19.9905);
}

TEST(still_02_march, first_distance_below_epsilon_at_the_eye_is_a_hit) {
    scripted_field touching{0.0005, 1.0};
    EXPECT_EQ(effect_still_02::march_lens(touching, origin, along_z), 0.0005);
    EXPECT_EQ(touching.evaluations, 1);
    scripted_field inside{-0.5, 1.0};
    EXPECT_EQ(effect_still_02::march_lens(inside, origin, along_z), -0.5);
}

TEST(still_02_march, budget_of_forty_evaluations_and_far_limit) {
    scripted_field slow{0.25, 0.25};  // 40 steps reach only 10
    EXPECT_EQ(effect_still_02::march_lens(slow, origin, along_z), 10.0);
    EXPECT_EQ(slow.evaluations, 40);
    scripted_field fast{8, 8};  // 24 > 20 stops the march before a fourth step
    EXPECT_EQ(effect_still_02::march_lens(fast, origin, along_z), -1.0);
    EXPECT_EQ(fast.evaluations, 3);
}

TEST(still_02_glass, total_internal_reflection_on_exit_looks_up_the_origin) {
    // Leaving at 80 degrees from the normal: beyond the critical angle of
    // about 64 degrees.
    const double a = 80 * 3.14159265358979 / 180;
    const vec3 grazing = effect_still_02::exit_lookup({std::sin(a), 0, std::cos(a)}, {0, 0, 1});
    EXPECT_EQ(grazing.x, 0.0);
    EXPECT_EQ(grazing.y, 0.0);
    // At 20 degrees the ray gets out, and bends away from the normal.
    const double b = 20 * 3.14159265358979 / 180;
    const vec3 out = effect_still_02::exit_lookup({std::sin(b), 0, std::cos(b)}, {0, 0, 1});
    EXPECT_GT(std::fabs(out.x), 1.1 * std::sin(b) - 1e-3);
    EXPECT_NEAR(out.x * out.x + out.z * out.z, 1.0, 1e-12);
}

TEST(still_02_fade, white_until_236_5_then_in_and_out_to_black) {
    EXPECT_EQ(effect_still_02::fade_channel(0.3, 236.25), 1.0);
    EXPECT_DOUBLE_EQ(effect_still_02::fade_channel(0.2, 236.75), 0.6);
    EXPECT_EQ(effect_still_02::fade_channel(0.2, 237.0), 0.2);
    EXPECT_EQ(effect_still_02::fade_channel(0.6, 250.0), 0.6);
    EXPECT_DOUBLE_EQ(effect_still_02::fade_channel(0.6, 250.5), 0.3);
    EXPECT_EQ(effect_still_02::fade_channel(0.6, 251.0), 0.0);
    // Lit glass is several times brighter than 1; the white frames stay white.
    EXPECT_GE(effect_still_02::fade_channel(5.0, 236.25), 1.0);
    EXPECT_GE(effect_still_02::fade_channel(18.0, 236.0), 1.0);
}

// A host with a back buffer and an effect_still_02 that has plain pictures.
class still_02_test : public ::testing::Test {
protected:
    void SetUp() override {
        fill(effect().tex_picture, 320, 240, 0xFF204080u);
        fill(effect().tex_env, 64, 64, 0xFFFFFFFFu);
    }

    effect_still_02& effect() { return still; }
    uint32_t pixel(int x, int y) { return host.pixels()[y * screen_width + x]; }

    vdk::test::effect_test_host host;
    effect_still_02 still{&host, host.log()};
};

TEST_F(still_02_test, glass_in_the_middle_picture_around_it) {
    effect().run(0.0f, 240.0);
    EXPECT_EQ(pixel(0, 0), 0xFF204080u);
    EXPECT_EQ(pixel(319, 239), 0xFF204080u);
    EXPECT_NE(pixel(160, 120), 0xFF204080u);  // the lens sits about the origin
    for (int j = 0; j < 120; ++j)
        for (int x = 0; x < screen_width; ++x) ASSERT_EQ(pixel(x, 2 * j), pixel(x, 2 * j + 1));
}

TEST_F(still_02_test, whole_frame_white_at_236_25_and_halfway_at_236_75) {
    effect().run(0.0f, 236.25);
    for (int i = 0; i < screen_width * screen_height; ++i)
        ASSERT_EQ(host.pixels()[i], 0xFFFFFFFFu) << "pixel " << i;
    effect().run(0.0f, 236.75);
    EXPECT_EQ(pixel(0, 0), 0xFF000000u | color_byte(0x20 / 255.0 * 0.5 + 0.5) << 16 |
                               color_byte(0x40 / 255.0 * 0.5 + 0.5) << 8 |
                               color_byte(0x80 / 255.0 * 0.5 + 0.5));
}

TEST_F(still_02_test, lens_centres_move_with_the_clock) {
    const vec3 probe{0, 0, 2.5};
    effect().run(1000.0f, 240.0);
    const double at_start = effect().lens_distance(probe);
    effect().run(3500.0f, 240.0);
    EXPECT_DOUBLE_EQ(effect().local_time, 2.5);
    EXPECT_NE(effect().lens_distance(probe), at_start);
}

TEST(still_02_init, reports_under_the_corridor_name) {
    vdk::test::scoped_work_dir dir;
    vdk::core::logger log(vdk::core::file);
    effect_still_02 effect(nullptr, &log);
    std::filesystem::create_directories("_glimmerock/textures");
    const std::vector<uint32_t> one_pixel{0xFF112233u};
    vdk::test::write_png("_glimmerock/textures/rust.png", 1, 1, one_pixel, false);
    EXPECT_FALSE(effect.init());  // the picture is loaded first and is missing
    const std::vector<std::string> lines = vdk::test::read_lines("app.log");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("[ERROR]] effect_chernobil failed to initialize itself"),
              std::string::npos);
    std::filesystem::create_directories("_glimmerock/2d");
    vdk::test::write_png("_glimmerock/2d/broad4.png", 1, 1, one_pixel, false);
    EXPECT_TRUE(effect.init());
}

}  // namespace

TEST(still_02_march, the_bounding_ball_proves_only_true_misses_over_whole_frames) {
    // The distance never lies below the bounding ball's, and the bounded
    // marches give march_lens's sums bit for bit for every ray of the frame
    // and every march through the glass, at times spread over the window.
    effect_still_02 fx(nullptr, nullptr);
    for (const double t : {0.0, 1.1, 4.7, 8.2, 12.9, 14.99}) {
        fx.local_time = t;
        auto field = [&fx](const vec3& p) { return fx.lens_distance(p); };
        const bounding_balls<1> bounds = fx.lens_bounds();
        for (int n = 0; n < 2000; ++n) {
            const vec3 p{6 * std::sin(1.3 * n), 6 * std::cos(0.7 * n), 6 * std::sin(0.31 * n + 1)};
            ASSERT_GE(fx.lens_distance(p), length(p - bounds.centre[0]) - 3 - 1e-12);
        }
        const vec3 eye{8 * std::sin(0.3 * t), 0, -8 * std::cos(0.3 * t)};
        const vec3 forward = (1.0 / 8) * (-1.0 * eye);
        const vec3 side = cross(forward, vec3{0, 1, 0});
        const vec3 up = cross(side, forward);
        const double at_eye = field(eye);
        int hits = 0;
        for (int x = 0; x < screen_width; ++x) {
            for (int j = 0; j < screen_height / 2; ++j) {
                const vec3 dir = normalize(side * ((x - 160) / 120.0) + up * ((j - 60) / 120.0) + forward);
                const double plain = effect_still_02::march_lens(field, eye, dir);
                ASSERT_EQ(bounded_march(field, bounds, eye, dir, 40, 0.001, 20, &at_eye), plain)
                    << x << ", " << j << " at " << t;
                if (plain == -1.0) continue;
                ++hits;
                const vec3 p = eye + plain * dir;
                const vec3 r = refract(dir, tetrahedral_normal(field, p, 0.002), 0.9);
                const glass_exit a = march_to_exit(field, p, r, 40);
                const glass_exit b = bounded_march_to_exit(field, bounds, p, r, 40);
                ASSERT_EQ(b.travel, a.travel);
                ASSERT_EQ(b.point.x, a.point.x);
                ASSERT_EQ(b.point.y, a.point.y);
                ASSERT_EQ(b.point.z, a.point.z);
            }
        }
        EXPECT_GT(hits, 500) << t;
    }
}

