// The end screen: background alone until 266 s, the fade-in to 276 s, the
// pulse after it, the tilt steps of its first frame, and the failure paths.

#include <gtest/gtest.h>

#include "effects/effect_outtro_picture.h"
#include "effects/picture_scene_fixture.h"

using namespace picture_scene;

namespace {

uint32_t stripes(int x, int y) {
    return 0xFF000000u + static_cast<uint32_t>((x * 7) & 0xFF) * 65536u +
           static_cast<uint32_t>((y * 3) & 0xFF) * 256u + 0x40u;
}

struct end_scene {
    drawing_app& host;
    effect_outtro_picture effect{&host, host.log()};
    end_scene(drawing_app& h, uint32_t (*picture)(int, int), uint32_t (*background)(int, int))
        : host(h) {
        paint(effect.tex_background, 320, 240, background);
        paint(effect.tex_picture, 320, 240, picture);
        paint(effect.tex_noise, 128, 128, noise_texel);
    }
    std::vector<uint32_t> frame(float app_ms, double music_s) {
        return host.frame(effect, app_ms, music_s);
    }
};

uint32_t black(int, int) { return 0xFF000000u; }
uint32_t white(int, int) { return 0xFFFFFFFFu; }
uint32_t half_white(int, int) { return 0x80FFFFFFu; }
uint32_t clear_white(int, int) { return 0x00FFFFFFu; }

bool all_pixels(const std::vector<uint32_t>& frame, uint32_t value) {
    for (uint32_t p : frame)
        if (p != value) return false;
    return true;
}

}  // namespace

TEST(outtro_picture, only_the_background_shows_until_266_s) {
    drawing_app host;
    end_scene with_white(host, white, stripes);
    end_scene with_black(host, black, stripes);
    for (double s : {265.5, 265.8, 266.0}) {
        EXPECT_EQ(with_white.frame(100, s), with_black.frame(100, s)) << s;
    }
    EXPECT_NE(with_white.frame(100, 266.05), with_black.frame(100, 266.05));
}

TEST(outtro_picture, half_alpha_at_271_s_and_full_alpha_at_276_s) {
    drawing_app host;
    end_scene opaque(host, white, black);
    EXPECT_TRUE(all_pixels(opaque.frame(0, 271.0), 0xFF7F7F7Fu));
    EXPECT_TRUE(all_pixels(opaque.frame(0, 276.0), 0xFFFFFFFFu));
    end_scene translucent(host, half_white, black);
    EXPECT_TRUE(all_pixels(translucent.frame(0, 276.0), 0xFF808080u));
}

TEST(outtro_picture, after_276_s_the_pulse_stays_between_half_and_full) {
    drawing_app host;
    end_scene opaque(host, white, black);
    int lowest = 255;
    int highest = 0;
    // Seven seconds of clock: more than two periods of the pulse.
    for (float ms = 0; ms <= 7000; ms += 50) {
        const std::vector<uint32_t> frame = opaque.frame(ms, 276.01 + ms / 1000);
        const int level = red(frame[12345]);
        ASSERT_TRUE(all_pixels(frame, frame[0])) << ms;
        ASSERT_GE(level, 127) << ms;
        lowest = std::min(lowest, level);
        highest = std::max(highest, level);
    }
    EXPECT_LT(lowest, 135);
    EXPECT_GT(highest, 250);

    // Where the picture is fully transparent the background shows unchanged.
    end_scene clear(host, clear_white, stripes);
    end_scene early(host, white, stripes);
    for (float ms : {0.0f, 1500.0f, 3000.0f}) {
        EXPECT_EQ(clear.frame(ms, 280.0), early.frame(ms, 265.6)) << ms;
    }
}

TEST(outtro_picture, only_the_first_two_pixels_of_its_first_frame_are_rotated) {
    drawing_app host;
    end_scene first(host, distinct_texel, stripes);
    const std::vector<uint32_t> stepped = first.frame(0, 270.0);
    EXPECT_EQ(first.effect.tilt_state, 3);
    EXPECT_EQ(first.effect.tilt_angle, 0.0);
    EXPECT_EQ(first.effect.tilt_since, 270.0);

    end_scene settled(host, distinct_texel, stripes);
    settled.effect.advance(0, 270.0);
    EXPECT_EQ(settled.effect.tilt_state, 3);
    const std::vector<uint32_t> upright = settled.frame(0, 270.0);
    EXPECT_EQ(differing(stepped, upright), (std::vector<int>{0, screen_width}));
}

TEST(outtro_picture, without_a_back_buffer_it_draws_nothing_and_returns_1) {
    drawing_app host(false);
    end_scene scene(host, white, stripes);
    EXPECT_EQ(scene.effect.run(700, 266.0), 1);
    EXPECT_FALSE(host.closed());
    EXPECT_EQ(scene.effect.start_time, 700.0f);
    EXPECT_EQ(scene.effect.tilt_state, 0);
    EXPECT_NE(host.log_text().find("[DEBUG]] BACK BUFFER TEXTURE LOCK FAILED, BUFF==NULLPTR"),
              std::string::npos);
}

TEST(outtro_picture, init_reports_a_missing_picture_under_the_last_credit_name) {
    drawing_app host(false);
    effect_outtro_picture effect{&host, host.log()};
    EXPECT_FALSE(effect.init());
    EXPECT_NE(host.log_text().find("[ERROR]] Effect_Intro_Pello failed to initialize itself"),
              std::string::npos);
}
