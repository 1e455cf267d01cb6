// The star field: the four factors of a block, the fade to black, the clock
// that runs on between its two windows, and the wide marches against the
// baseline one.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <set>
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

// The wide marches against the baseline one, whole frames at times across both
// windows and the fade and the colour records of every block of two frames, on
// every instruction set this processor has.
TEST(starfield, every_instruction_set_draws_the_frames_of_the_baseline_march) {
    struct moment {
        double t;
        double music_s;
    };
    const moment moments[] = {{0.0, 162},     {7.4, 165.7},    {29.8, 176.9}, {178.0, 251},
                              {189.6, 256.8}, {206.8, 265.0}, {-40.0, 170},  {5e6, 200}};
    auto draw = [](instruction_set set, const moment& m) {
        std::vector<uint32_t> pixels(screen_width * screen_height, 0u);
        for (int b = 0; b < 4; ++b) {
            const band_rows rows = rows_of_band(band_layout::half_resolution, b);
            starfield_render_band_with(set, rows.first_row, rows.end_row, m.t, pixels.data(), m.music_s);
        }
        return pixels;
    };
    int sets_compared = 0;
    for (instruction_set set : {instruction_set::avx2, instruction_set::avx512}) {
        if (!instruction_set_supported(set)) continue;
        ++sets_compared;
        for (const moment& m : moments) {
            ASSERT_EQ(draw(set, m), draw(instruction_set::baseline, m))
                << instruction_set_name(set) << " at " << m.t;
        }
        // The colour records before packing, bit for bit: a difference in the
        // last place of a sum rarely reaches a pixel.
        for (const moment& m : {moments[1], moments[5]}) {
            for (int j = 0; j < 120; ++j) {
                color4 wide[160];
                color4 baseline[160];
                starfield_row_records(set, j, m.t, m.music_s, wide);
                starfield_row_records(instruction_set::baseline, j, m.t, m.music_s, baseline);
                if (std::memcmp(wide, baseline, sizeof wide) == 0) continue;
                // Which value, its bits, and whether both sets repeat
                // themselves: a set that does not is disturbed from outside.
                color4 wide_again[160];
                color4 baseline_again[160];
                starfield_row_records(set, j, m.t, m.music_s, wide_again);
                starfield_row_records(instruction_set::baseline, j, m.t, m.music_s, baseline_again);
                const auto* a = reinterpret_cast<const double*>(wide);
                const auto* b = reinterpret_cast<const double*>(baseline);
                int at = 0;
                while (at < 4 * 160 && std::memcmp(a + at, b + at, sizeof(double)) == 0) ++at;
                uint64_t bits_a = 0;
                uint64_t bits_b = 0;
                std::memcpy(&bits_a, a + at, sizeof bits_a);
                std::memcpy(&bits_b, b + at, sizeof bits_b);
                FAIL() << instruction_set_name(set) << " at " << m.t << ", band row " << j << ", block "
                       << at / 4 << " component " << "rgbi"[at % 4] << ": " << std::hex << bits_a
                       << " against " << bits_b << std::dec << "; " << instruction_set_name(set)
                       << (std::memcmp(wide, wide_again, sizeof wide) == 0 ? " repeats itself"
                                                                            : " does NOT repeat itself")
                       << ", baseline "
                       << (std::memcmp(baseline, baseline_again, sizeof wide) == 0 ? "repeats itself"
                                                                                  : "does NOT repeat itself");
            }
        }
    }
    // What is compared is a picture with many colours, not a black frame.
    const std::vector<uint32_t> frame = draw(instruction_set::baseline, moments[1]);
    EXPECT_GT(std::set<uint32_t>(frame.begin(), frame.end()).size(), 100u);
    if (sets_compared == 0) GTEST_SKIP() << "no wide instruction set on this processor";
}
