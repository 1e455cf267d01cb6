// The credit intros: the white fade of the first one, the tilt schedule (one
// step per pixel, the straightening, the reset), the blend of the name over
// the background, skipping frames, and the failure paths of every member.

#include <gtest/gtest.h>

#include <cmath>

#include "effects/effect_intro_drumelo.h"
#include "effects/effect_intro_fennick.h"
#include "effects/effect_intro_pello.h"
#include "effects/effect_intro_quintaz.h"
#include "effects/picture_scene_fixture.h"

using namespace picture_scene;

namespace {

constexpr double degree = 0.017453292519943295;

uint32_t gradient_background(int x, int y) {
    return 0xFF000000u + static_cast<uint32_t>((x * 3) & 0xFF) * 65536u +
           static_cast<uint32_t>((y * 5) & 0xFF) * 256u + static_cast<uint32_t>((x + y) & 0xFF);
}

// A name picture: distinct opaque texels on the left half, transparent white
// on the right half.
uint32_t half_name(int x, int y) { return x < 160 ? distinct_texel(x, y) : 0x00FFFFFFu; }

template <class Effect>
struct credit_scene {
    drawing_app& host;
    Effect effect{&host, host.log()};
    explicit credit_scene(drawing_app& h, uint32_t (*text)(int, int) = distinct_texel,
                          uint32_t (*background)(int, int) = gradient_background)
        : host(h) {
        paint(effect.tex_background, 320, 240, background);
        paint(effect.tex_text, 320, 240, text);
        paint(effect.tex_noise, 128, 128, noise_texel);
    }
    std::vector<uint32_t> frame(float app_ms, double music_s) {
        return host.frame(effect, app_ms, music_s);
    }
};

}  // namespace

TEST(credit_intros, fennick_fades_from_white_until_26_s_and_the_others_do_not) {
    drawing_app host;
    credit_scene<effect_intro_fennick> white(host, half_name);
    for (uint32_t p : white.frame(0, 25.0)) ASSERT_EQ(p, 0xFFFFFFFFu);

    credit_scene<effect_intro_fennick> half(host, half_name);
    credit_scene<effect_intro_fennick> plain(host, half_name);
    const std::vector<uint32_t> at_25_5 = half.frame(0, 25.5);
    const std::vector<uint32_t> at_26 = plain.frame(0, 26.0);
    int dark = 0;
    for (int i = 0; i < pixel_count; ++i) {
        for (int c = 0; c < 3; ++c) {
            const int picture = channel(at_26[i], c);
            ASSERT_NEAR(channel(at_25_5[i], c), (picture + 255) / 2.0, 1.0) << "pixel " << i;
            if (picture < 100) ++dark;
        }
    }
    EXPECT_GT(dark, 1000);

    credit_scene<effect_intro_drumelo> early(host, half_name);
    credit_scene<effect_intro_drumelo> later(host, half_name);
    EXPECT_EQ(early.frame(0, 25.0), later.frame(0, 26.0));
}

TEST(credit_intros, name_is_upright_before_the_first_step_and_after_the_reset) {
    drawing_app host;
    credit_scene<effect_intro_drumelo> before(host);
    const std::vector<uint32_t> upright = before.frame(0, 29.5);
    EXPECT_EQ(before.effect.tilt_state, 0);
    EXPECT_EQ(before.effect.rotation_at(29.5), 0.0);

    // Settled past all steps and the reset at 32.5 s: upright again.
    credit_scene<effect_intro_drumelo> after(host);
    after.effect.advance(0, 32.6);
    EXPECT_EQ(after.effect.tilt_state, 3);
    EXPECT_EQ(after.effect.tilt_angle, 0.0);
    EXPECT_EQ(after.frame(0, 32.6), upright);

    // Mid-tilt the name picture is drawn rotated.
    credit_scene<effect_intro_drumelo> tilted(host);
    tilted.effect.advance(0, 30.0);
    EXPECT_GT(differing(tilted.frame(0, 30.0), upright).size(), 10000u);
}

TEST(credit_intros, drumelo_drops_its_last_tilt_at_32_5_s) {
    drawing_app host;
    credit_scene<effect_intro_drumelo> scene(host);
    scene.frame(0, 29.95);
    scene.frame(0, 30.85);
    scene.frame(0, 31.6 + 1e-9);
    EXPECT_EQ(scene.effect.tilt_state, 3);
    EXPECT_NEAR(scene.effect.rotation_at(31.6 + 1e-9), 8 * degree, 1e-12);
    scene.frame(0, 32.5);
    EXPECT_NEAR(scene.effect.rotation_at(32.5), 0.8 * degree, 1e-8);
    scene.frame(0, 32.5 + 1e-9);
    EXPECT_EQ(scene.effect.tilt_angle, 0.0);
    EXPECT_EQ(scene.effect.rotation_at(32.6), 0.0);
}

TEST(credit_intros, a_first_frame_past_two_thresholds_steps_at_its_first_two_pixels) {
    drawing_app host;
    // Fennick's first frame at 27 s: past 26.0 and 26.9, not 27.7.
    credit_scene<effect_intro_fennick> late(host);
    const std::vector<uint32_t> stepped = late.frame(0, 27.0);
    EXPECT_EQ(late.effect.tilt_state, 2);
    EXPECT_EQ(late.effect.tilt_since, 27.0);
    EXPECT_EQ(late.effect.tilt_angle, 10 * degree);

    // The same frame once the steps were taken: every pixel at step 2's tilt.
    credit_scene<effect_intro_fennick> settled(host);
    settled.effect.advance(0, 27.0);
    EXPECT_EQ(settled.effect.tilt_state, 2);
    const std::vector<uint32_t> steady = settled.frame(0, 27.0);
    EXPECT_EQ(differing(stepped, steady), std::vector<int>{0});

    // Pixel (0, 0) shows step 1 at full tilt, as a first frame past 26.0 only.
    credit_scene<effect_intro_fennick> one_step(host);
    EXPECT_EQ(one_step.frame(0, 26.5)[0], stepped[0]);
    EXPECT_EQ(one_step.effect.tilt_state, 1);
}

TEST(credit_intros, pello_straightens_through_zero_to_one_degree_the_other_way) {
    drawing_app host;
    credit_scene<effect_intro_pello> scene(host);
    scene.frame(0, 37.5);
    EXPECT_NEAR(scene.effect.rotation_at(37.5), -12 * degree, 1e-12);
    scene.frame(0, 38.1 + 1e-9);
    EXPECT_EQ(scene.effect.tilt_state, 2);
    EXPECT_NEAR(scene.effect.rotation_at(39.1 + 1e-9), 0.0, 1e-12);
    scene.frame(0, 39.2);
    EXPECT_EQ(scene.effect.tilt_state, 2);
    EXPECT_NEAR(scene.effect.rotation_at(39.2), -1 * degree, 1e-9);
    scene.frame(0, 39.2 + 1e-9);
    EXPECT_EQ(scene.effect.tilt_state, 3);
    EXPECT_EQ(scene.effect.rotation_at(40.4), 0.0);
}

TEST(credit_intros, transparent_name_pixels_show_the_background_and_opaque_ones_the_name) {
    drawing_app host;
    const auto clear = [](int, int) { return 0x00FF00FFu; };
    const auto plain = [](int x, int) { return 0xFF000000u + static_cast<uint32_t>(x) * 0x10101u; };
    credit_scene<effect_intro_drumelo> named(host, half_name);
    credit_scene<effect_intro_drumelo> other_background(host, half_name, plain);
    credit_scene<effect_intro_drumelo> unnamed(host, clear);
    // Upright, before the first step.
    const std::vector<uint32_t> a = named.frame(0, 29.5);
    const std::vector<uint32_t> b = other_background.frame(0, 29.5);
    const std::vector<uint32_t> c = unnamed.frame(0, 29.5);
    for (int y = 0; y < screen_height; ++y) {
        for (int x = 0; x < screen_width; ++x) {
            const int i = y * screen_width + x;
            if (x > 162) {
                ASSERT_EQ(a[i], c[i]) << x << "," << y;
            }
            if (x < 158) {
                ASSERT_EQ(a[i], b[i]) << x << "," << y;
                ASSERT_NE(a[i], c[i]) << x << "," << y;
            }
        }
    }
}

TEST(credit_intros, a_frame_after_skipped_frames_matches_one_after_drawn_frames) {
    drawing_app host;
    credit_scene<effect_intro_quintaz> drawn(host);
    credit_scene<effect_intro_quintaz> skipped(host);
    // Frames of a 60 fps run over the window, the skipped ones crossing
    // every threshold.
    for (int n = 1980; n < 2190; ++n) {
        const float app_ms = static_cast<float>(n * 1000 / 60);
        drawn.effect.run(app_ms, n / 60.0);
        skipped.effect.advance(app_ms, n / 60.0);
    }
    EXPECT_EQ(skipped.effect.tilt_state, 3);
    EXPECT_EQ(drawn.frame(36500, 2190 / 60.0), skipped.frame(36500, 2190 / 60.0));
    EXPECT_EQ(drawn.effect.local_time, skipped.effect.local_time);
    EXPECT_EQ(drawn.effect.tilt_since, skipped.effect.tilt_since);
}

TEST(credit_intros, without_a_back_buffer_nothing_steps_and_the_show_goes_on) {
    drawing_app host(false);
    credit_scene<effect_intro_drumelo> scene(host);
    EXPECT_EQ(scene.effect.run(1000, 31.0), 1);
    EXPECT_FALSE(host.closed());
    EXPECT_EQ(scene.effect.start_time, 1000.0f);
    EXPECT_EQ(scene.effect.tilt_state, 0);
    EXPECT_NE(host.log_text().find("[DEBUG]] BACK BUFFER TEXTURE LOCK FAILED, BUFF==NULLPTR"),
              std::string::npos);
}

TEST(credit_intros, each_member_reports_a_missing_picture_under_its_own_name) {
    drawing_app host(false);
    effect_intro_fennick fennick{&host, host.log()};
    effect_intro_drumelo drumelo{&host, host.log()};
    effect_intro_quintaz quintaz{&host, host.log()};
    effect_intro_pello pello{&host, host.log()};
    for (credit_intro* effect : {static_cast<credit_intro*>(&fennick),
                                 static_cast<credit_intro*>(&drumelo),
                                 static_cast<credit_intro*>(&quintaz),
                                 static_cast<credit_intro*>(&pello)}) {
        EXPECT_FALSE(effect->init());
    }
    const std::string log = host.log_text();
    for (const char* name : {"Fennick", "Drumelo", "Quintaz", "Pello"}) {
        EXPECT_NE(log.find(std::string("[ERROR]] Effect_Intro_") + name +
                           " failed to initialize itself"),
                  std::string::npos)
            << name;
    }
}
