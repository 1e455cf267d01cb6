// The lava fractal: clock, fades, row doubling and a picture that is not flat.

#include <gtest/gtest.h>

#include <cmath>

#include "effects/effect_lava.h"
#include "support/effect_test_host.h"

namespace {

struct lava_fixture {
    vdk::test::effect_test_host host;
    effect_lava lava{&host, host.log()};

    const uint32_t* frame(float app_ms, double music_s) {
        lava.run(app_ms, music_s);
        return host.pixels();
    }
};

bool all_equal(const uint32_t* pixels, uint32_t value) {
    for (int i = 0; i < screen_width * screen_height; ++i)
        if (pixels[i] != value) return false;
    return true;
}

}  // namespace

TEST(lava, clock_starts_one_second_early_and_is_never_reset) {
    lava_fixture f;
    f.frame(10000, 130);
    EXPECT_EQ(f.lava.start_time, 10000.0f);
    EXPECT_EQ(f.lava.local_time, -1.0);
    f.frame(40000, 130);
    EXPECT_EQ(f.lava.local_time, 29.0);
}

TEST(lava, black_at_both_ends_of_its_window) {
    lava_fixture f;
    EXPECT_TRUE(all_equal(f.frame(0, 121.0), 0xFF000000u));
    EXPECT_TRUE(all_equal(f.frame(29000, 150.0), 0xFF000000u));
}

TEST(lava, fade_out_scales_colour_and_brightness_together) {
    lava_fixture f;
    const uint32_t* first = f.frame(9000, 130.0);
    const std::vector<uint32_t> full(first, first + 76800);
    // Halfway into the fade-out both colour and i are halved: a quarter of
    // every channel that was not clipped.
    const uint32_t* faded = f.frame(9000, 149.5);
    int compared = 0;
    for (int i = 0; i < 76800; ++i) {
        const int full_red = (full[i] >> 16) & 0xFF;
        if (full_red == 255) continue;
        const int faded_red = (faded[i] >> 16) & 0xFF;
        ASSERT_NEAR(faded_red, full_red / 4.0, 1.0) << "pixel " << i;
        ++compared;
    }
    EXPECT_GT(compared, 10000);
}

TEST(lava, rows_come_in_identical_pairs_and_the_picture_is_not_flat) {
    lava_fixture f;
    const uint32_t* pixels = f.frame(12345, 130.0);
    for (int j = 0; j < screen_height / 2; ++j) {
        for (int x = 0; x < screen_width; ++x) {
            ASSERT_EQ(pixels[2 * j * screen_width + x], pixels[(2 * j + 1) * screen_width + x])
                << "row pair " << j << " column " << x;
        }
    }
    EXPECT_FALSE(all_equal(pixels, pixels[0]));
    for (int i = 0; i < 76800; ++i) ASSERT_EQ(pixels[i] >> 24, 0xFFu);
}

TEST(lava, advance_moves_the_clock_like_a_drawn_frame) {
    lava_fixture f;
    f.lava.advance(500, 121.0);
    f.lava.advance(2500, 122.0);
    EXPECT_EQ(f.lava.start_time, 500.0f);
    EXPECT_EQ(f.lava.local_time, 1.0);
}

TEST(lava, without_a_back_buffer_nothing_is_drawn_and_the_clock_moves) {
    lava_fixture f;
    f.host.close();
    EXPECT_EQ(f.lava.run(3000, 130.0), 1);
    EXPECT_EQ(f.lava.start_time, 3000.0f);
    EXPECT_NE(vdk::test::read_file("app.log").find("[DEBUG]] BACK BUFFER TEXTURE LOCK FAILED, BUFF==NULLPTR"),
              std::string::npos);
}

TEST(pack_color, clamps_truncates_and_maps_nan_to_zero) {
    EXPECT_EQ(pack_color({0.5, 1.0, 2.0, 1.0}), 0xFF7FFFFFu);
    EXPECT_EQ(pack_color({-1, 0, 0, 1}), 0xFF000000u);
    EXPECT_EQ(pack_color({1, 1, 1, 0.5}), 0xFF7F7F7Fu);
    EXPECT_EQ(pack_color({std::nan(""), 1e300, -1e300, 1}), 0xFF00FF00u);
}
