// The star field: the four factors of a block, the fade to black, the clock
// that runs on between its two windows (the vector marches against the
// scalar one: test_instruction_sets.cpp).

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "effects/effect_starfield.h"
#include "support/effect_test_host.h"

namespace {

struct starfield_fixture {
    vdk::test::effect_test_host host;
    effect_starfield starfield{&host, host.log()};
};

std::vector<uint32_t> band(int first_row, int end_row, double t, double music_s) {
    std::vector<uint32_t> pixels(screen_width * screen_height, 0x12345678u);
    starfield_render_band(first_row, end_row, t, pixels.data(), music_s);
    return pixels;
}

}  // namespace

TEST(starfield, block_pixels_scale_each_channel_by_the_square_of_their_factor) {
    std::vector<uint32_t> pixels(screen_width * screen_height, 0);
    starfield_write_block({0.2, 0.2, 0.2, 1}, 159, 119, pixels.data());
    const uint32_t* top = &pixels[238 * screen_width + 318];
    const uint32_t* bottom = top + screen_width;
    EXPECT_EQ(top[0], 0xFF333333u);     // 51: factor 1
    EXPECT_EQ(top[1], 0xFF727272u);     // 114: factor 1.5
    EXPECT_EQ(bottom[1], 0xFF202020u);  // 32: factor 0.8
    EXPECT_EQ(bottom[0], 0xFF494949u);  // 73: factor 1.2
}

TEST(starfield, a_band_writes_its_blocks_and_nothing_else) {
    const std::vector<uint32_t> pixels = band(30, 31, 3.0, 170.0);
    for (int y = 0; y < screen_height; ++y) {
        for (int x = 0; x < screen_width; ++x) {
            const bool inside = y == 60 || y == 61;
            ASSERT_EQ(pixels[y * screen_width + x] == 0x12345678u, !inside) << x << "," << y;
        }
    }
    // Some light reaches this row.
    bool lit = false;
    for (int x = 0; x < screen_width; ++x) lit = lit || pixels[60 * screen_width + x] != 0xFF000000u;
    EXPECT_TRUE(lit);
}

TEST(starfield, fades_to_black_over_its_last_second_only) {
    EXPECT_EQ(band(50, 52, 7.0, 170.0), band(50, 52, 7.0, 264.5));
    const std::vector<uint32_t> faded = band(50, 52, 7.0, 265.5);
    for (int y = 100; y < 104; ++y)
        for (int x = 0; x < screen_width; ++x) ASSERT_EQ(faded[y * screen_width + x], 0xFF000000u);
    // Halfway: colour and brightness halved, a quarter of every channel that
    // did not clip.
    const std::vector<uint32_t> full = band(50, 52, 7.0, 170.0);
    const std::vector<uint32_t> half = band(50, 52, 7.0, 265.0);
    int compared = 0;
    for (int i = 100 * screen_width; i < 104 * screen_width; ++i) {
        for (int shift : {0, 8, 16}) {
            const int full_channel = (full[i] >> shift) & 0xFF;
            const int half_channel = (half[i] >> shift) & 0xFF;
            if (full_channel == 255) continue;
            ASSERT_NEAR(half_channel, full_channel / 4.0, 1.0) << i;
            ++compared;
        }
    }
    EXPECT_GT(compared, screen_width);
}

TEST(starfield, the_second_window_continues_the_clock_of_the_first) {
    starfield_fixture f;
    f.starfield.run(10000, 162.0);
    EXPECT_EQ(f.starfield.start_time, 10000.0f);
    EXPECT_EQ(f.starfield.local_time, 0.0);
    f.starfield.advance(24999, 176.999);
    EXPECT_EQ(f.starfield.local_time, 29.998f);
    f.starfield.run(99000, 251.0);
    EXPECT_EQ(f.starfield.local_time, 178.0);  // two units per second
}

TEST(starfield, run_draws_the_whole_frame_as_its_bands_would) {
    starfield_fixture f;
    f.starfield.run(3000, 163.0);
    const std::vector<uint32_t> expected = band(0, 120, 0.0, 163.0);
    EXPECT_EQ(std::vector<uint32_t>(f.host.pixels(), f.host.pixels() + screen_width * screen_height),
              expected);
}

TEST(starfield, without_a_back_buffer_the_clock_still_moves) {
    starfield_fixture f;
    f.host.close();
    EXPECT_EQ(f.starfield.run(2000, 170.0), 1);
    EXPECT_EQ(f.starfield.start_time, 2000.0f);
    EXPECT_NE(vdk::test::read_file("app.log").find("[DEBUG]] BACK BUFFER TEXTURE LOCK FAILED, BUFF==NULLPTR"),
              std::string::npos);
}


TEST(starfield, the_division_bound_is_timed_with_every_set_on_any_workers) {
    for (const int threads : {0, 4}) {
        band_workers workers(threads);
        for (int index = 0; index < instruction_set_count; ++index) {
            const auto set = static_cast<instruction_set>(index);
            if (!instruction_set_supported(set)) continue;
            const double ms = starfield_division_bound_ms(set, workers);
            EXPECT_GT(ms, 0.0) << instruction_set_name(set) << " with " << threads << " workers";
            EXPECT_LT(ms, 1e6) << instruction_set_name(set) << " with " << threads << " workers";
        }
    }
}
