// The title sequence: spots at the start of its clock, the fade-in, the
// cross-fade's start, the ring's schedule, the white-out, and what happens
// without a back buffer.

#include <gtest/gtest.h>

#include "effects/effect_intro_group.h"
#include "effects/picture_scene_fixture.h"

using namespace picture_scene;

namespace {

// A title effect with a white opaque background, the given title and a
// varying noise image.
struct title_scene {
    drawing_app& host;
    effect_intro_group effect{&host, host.log()};
    explicit title_scene(drawing_app& h, uint32_t background = 0xFFFFFFFFu,
                         uint32_t title = 0xFF000000u)
        : host(h) {
        paint_uniform(effect.tex_background, background);
        paint_uniform(effect.tex_title, title);
        paint(effect.tex_noise, 128, 128, noise_texel);
    }
    std::vector<uint32_t> frame(float app_ms, double music_s) {
        return host.frame(effect, app_ms, music_s);
    }
};

uint32_t at(const std::vector<uint32_t>& frame, int x, int y) { return frame[y * screen_width + x]; }

}  // namespace

TEST(intro_group, first_frame_has_the_spots_at_their_start_and_then_they_move) {
    drawing_app host;
    title_scene title(host);
    // At 7 s nothing but the light field shapes the white background.
    const std::vector<uint32_t> first = title.frame(4000, 7.0);
    EXPECT_EQ(title.effect.start_time, 4000.0f);
    EXPECT_EQ(title.effect.local_time, 0.0f);
    const auto spots = effect_intro_group::values_at(0.0f, 7.0);
    EXPECT_DOUBLE_EQ(spots.spot1_u, 0.4);
    EXPECT_DOUBLE_EQ(spots.spot1_v, 0.0);
    EXPECT_DOUBLE_EQ(-spots.spot2_m, 0.0);
    EXPECT_DOUBLE_EQ(-spots.spot2_n, -0.4);
    // Spot 1 at (0.4, 0) is pixel (224, 120), spot 2 at (0, -0.4) is (160, 72):
    // both saturated, their mirror images dim.
    EXPECT_GE(red(at(first, 224, 120)), 250);
    EXPECT_GE(red(at(first, 160, 72)), 250);
    EXPECT_LT(red(at(first, 96, 120)), 10);
    EXPECT_LT(red(at(first, 160, 168)), 10);
    // One second later the spots have moved on.
    const std::vector<uint32_t> later = title.frame(5000, 7.0);
    EXPECT_EQ(title.effect.local_time, 1.0f);
    EXPECT_LT(red(at(later, 224, 120)), 200);
}

TEST(intro_group, fade_in_halves_the_brightness_at_3_5_s) {
    drawing_app host;
    title_scene full(host);
    title_scene faded(host);
    const std::vector<uint32_t> at_7 = full.frame(0, 7.0);
    const std::vector<uint32_t> at_3_5 = faded.frame(0, 3.5);
    // Colour and alpha both scale with the brightness, so an unsaturated
    // channel drops to a quarter.
    int compared = 0;
    for (int i = 0; i < pixel_count; ++i) {
        const int full_red = red(at_7[i]);
        if (full_red >= 250) continue;
        ASSERT_NEAR(red(at_3_5[i]), full_red / 4.0, 1.0) << "pixel " << i;
        if (full_red > 40) ++compared;
    }
    EXPECT_GT(compared, 1000);
}

TEST(intro_group, at_exactly_7_s_the_background_shows_alone) {
    drawing_app host;
    title_scene black_title(host, 0xFFFFFFFFu, 0xFF000000u);
    title_scene red_title(host, 0xFFFFFFFFu, 0xFFFF0000u);
    EXPECT_EQ(black_title.frame(0, 7.0), red_title.frame(0, 7.0));
    // Just after 7 s the cross-fade weight is negative: the title is subtracted.
    const std::vector<uint32_t> black_after = black_title.frame(0, 7.001);
    const std::vector<uint32_t> red_after = red_title.frame(0, 7.001);
    EXPECT_FALSE(differing(black_after, red_after).empty());
}

TEST(intro_group, ring_strength_rises_holds_drops_and_ends) {
    const auto strength = [](double s) { return effect_intro_group::values_at(0.0f, s).ring_strength; };
    EXPECT_FALSE(effect_intro_group::values_at(0.0f, 7.2).ring);
    EXPECT_TRUE(effect_intro_group::values_at(0.0f, 7.2001).ring);
    EXPECT_NEAR(strength(7.2001), 0.001f, 1e-5);
    EXPECT_NEAR(strength(8.7), 15.0f, 1e-5);
    EXPECT_NEAR(strength(10.1999), 29.999f, 1e-4);
    EXPECT_EQ(strength(10.2), 30.0f);
    EXPECT_EQ(strength(20.0), 30.0f);
    EXPECT_NEAR(strength(20.0001), 18.0f, 1e-3);
    EXPECT_NEAR(strength(21.5), 9.0f, 1e-5);
    EXPECT_NEAR(strength(22.9999), 0.0f, 1e-3);
    // Exactly at 23 s the fall has reached 0 and does not spring back to 30.
    EXPECT_EQ(strength(23.0), 0.0f);
    EXPECT_EQ(strength(24.0), 0.0f);
}

TEST(intro_group, white_out_lifts_dark_pixels_and_ends_all_white) {
    drawing_app host;
    // Transparent black pictures: every pixel is dark or has zero alpha, so
    // only the white-out shows: (1 - p)^2 with p = (25 - s) / 2.
    title_scene clear(host, 0x00000000u, 0x00000000u);
    const std::vector<uint32_t> before = clear.frame(0, 22.9);
    for (uint32_t p : before) ASSERT_EQ(p, 0xFF000000u);
    const std::vector<uint32_t> at_24 = clear.frame(0, 24.0);
    for (uint32_t p : at_24) ASSERT_EQ(p, 0xFF3F3F3Fu);
    title_scene bright(host);
    const std::vector<uint32_t> at_25 = bright.frame(0, 25.0);
    for (uint32_t p : at_25) ASSERT_EQ(p, 0xFFFFFFFFu);
}

TEST(intro_group, without_a_back_buffer_it_closes_the_show_and_returns_0) {
    drawing_app host(false);
    title_scene title(host);
    EXPECT_EQ(title.effect.run(2500, 3.0), 0);
    EXPECT_TRUE(host.closed());
    EXPECT_EQ(title.effect.start_time, 2500.0f);
    EXPECT_NE(host.log_text().find("[DEBUG]] BACK BUFFER TEXTURE LOCK FAILED, BUFF==NULLPTR"),
              std::string::npos);
}

TEST(intro_group, without_its_background_it_closes_the_show_too) {
    drawing_app host;
    effect_intro_group effect{&host, host.log()};
    EXPECT_EQ(effect.run(0, 1.0), 0);
    EXPECT_TRUE(host.closed());
}

TEST(intro_group, init_reports_a_missing_picture_under_the_lens_name) {
    drawing_app host(false);
    effect_intro_group effect{&host, host.log()};
    EXPECT_FALSE(effect.init());
    EXPECT_NE(host.log_text().find("[ERROR]] Effect_Intro_Lens failed to initialize itself"),
              std::string::npos);
}
