// The corridor with lyrics: the stretches of each overlay, the alpha rule of
// the overlay, the three fades, and the twelve pictures init() needs.

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <limits>
#include <vector>

#include "effects/effect_chernobil.h"
#include "support/effect_test_host.h"
#include "support/test_support.h"

namespace {

constexpr double inf = std::numeric_limits<double>::infinity();
double just_above(double s) { return std::nextafter(s, inf); }

void fill(vdk::core::texture_gdi& texture, uint32_t value, int width = 320, int height = 240) {
    texture.create(width, height);
    uint32_t* pixels = texture.pixels();
    for (int i = 0; i < width * height; ++i) pixels[i] = value;
}

struct corridor_fixture {
    vdk::test::effect_test_host host;
    effect_chernobil corridor{&host, host.log()};
    std::vector<uint32_t> pixels = std::vector<uint32_t>(screen_width * screen_height);

    explicit corridor_fixture(uint32_t background = 0xFF808080u) {
        fill(corridor.tex_background, background);
        for (vdk::core::texture_gdi& lyric : corridor.tex_lyrics) fill(lyric, 0x00000000u);
    }
    uint32_t pixel_at(double music_s, int x = 100, int y = 100) {
        corridor.render_band(0, screen_height, pixels.data(), music_s);
        return pixels[y * screen_width + x];
    }
};

uint32_t grey(uint32_t level) { return 0xFF000000u + level * 0x010101u; }

}  // namespace

TEST(chernobil, lyric_stretches_are_open_below_and_closed_above) {
    EXPECT_EQ(effect_chernobil::lyric_at(150.0), -1);
    EXPECT_EQ(effect_chernobil::lyric_at(151.6), -1);
    EXPECT_EQ(effect_chernobil::lyric_at(just_above(151.6)), 0);
    EXPECT_EQ(effect_chernobil::lyric_at(152.4), 0);
    EXPECT_EQ(effect_chernobil::lyric_at(just_above(152.4)), -1);
    EXPECT_EQ(effect_chernobil::lyric_at(153.5), 1);
    EXPECT_EQ(effect_chernobil::lyric_at(155.0), 2);
    // 04 and 05 follow each other without a gap.
    EXPECT_EQ(effect_chernobil::lyric_at(156.0), 3);
    EXPECT_EQ(effect_chernobil::lyric_at(just_above(156.0)), 4);
    EXPECT_EQ(effect_chernobil::lyric_at(156.5), 4);
    EXPECT_EQ(effect_chernobil::lyric_at(just_above(156.5)), -1);
    EXPECT_EQ(effect_chernobil::lyric_at(157.5), 5);
    EXPECT_EQ(effect_chernobil::lyric_at(just_above(157.5)), -1);
    EXPECT_EQ(effect_chernobil::lyric_at(157.6), -1);
    EXPECT_EQ(effect_chernobil::lyric_at(157.7), -1);
    EXPECT_EQ(effect_chernobil::lyric_at(just_above(157.7)), 6);
    EXPECT_EQ(effect_chernobil::lyric_at(158.5), 6);
    EXPECT_EQ(effect_chernobil::lyric_at(just_above(158.5)), -1);
    EXPECT_EQ(effect_chernobil::lyric_at(161.9), -1);
}

TEST(chernobil, the_selected_overlay_is_drawn_at_its_stretch_only) {
    corridor_fixture f;
    fill(f.corridor.tex_lyrics[0], 0xFFFF0000u);
    fill(f.corridor.tex_lyrics[3], 0xFF00FF00u);
    fill(f.corridor.tex_lyrics[4], 0xFF0000FFu);
    EXPECT_EQ(f.pixel_at(151.6), grey(128));
    EXPECT_EQ(f.pixel_at(just_above(151.6)), 0xFFFF0000u);
    EXPECT_EQ(f.pixel_at(156.0), 0xFF00FF00u);
    EXPECT_EQ(f.pixel_at(just_above(156.0)), 0xFF0000FFu);
}

TEST(chernobil, overlay_colour_is_weighted_by_its_alpha_twice) {
    // Alpha 128: the background keeps about half, the overlay adds about a
    // quarter of its colour.
    corridor_fixture over_white(0xFFFFFFFFu);
    fill(over_white.corridor.tex_lyrics[0], 0x80000000u);
    EXPECT_EQ(over_white.pixel_at(152.0), grey(127));
    corridor_fixture over_black(0xFF000000u);
    fill(over_black.corridor.tex_lyrics[0], 0x80FFFFFFu);
    EXPECT_EQ(over_black.pixel_at(152.0), grey(64));
    // An overlay makes the pixel opaque even where the corridor is not.
    corridor_fixture over_clear(0x00FFFFFFu);
    fill(over_clear.corridor.tex_lyrics[0], 0x00000000u);
    EXPECT_EQ(over_clear.pixel_at(152.0), grey(255));
    EXPECT_EQ(over_clear.pixel_at(153.0), grey(0));
}

TEST(chernobil, fades_in_from_black_flashes_white_and_fades_out_to_white) {
    corridor_fixture white(0xFFFFFFFFu);
    EXPECT_EQ(white.pixel_at(150.0), grey(0));
    EXPECT_EQ(white.pixel_at(150.5), grey(127));
    corridor_fixture f;  // mid grey, 128
    EXPECT_EQ(f.pixel_at(150.0), grey(0));
    EXPECT_EQ(f.pixel_at(151.0), grey(255));
    EXPECT_EQ(f.pixel_at(151.25), grey(191));
    EXPECT_EQ(f.pixel_at(151.5), grey(128));
    EXPECT_EQ(f.pixel_at(160.0), grey(128));
    EXPECT_EQ(f.pixel_at(161.0), grey(191));
    EXPECT_EQ(f.pixel_at(162.0), grey(255));
}

TEST(chernobil, fade_in_turns_transparent_corridor_pixels_opaque_black) {
    corridor_fixture f(0x00FFFFFFu);
    EXPECT_EQ(f.pixel_at(150.0), grey(0));
    EXPECT_EQ(f.pixel_at(150.5), grey(63));  // colour 0.5 times alpha 0.5
    EXPECT_EQ(f.pixel_at(151.5), grey(0));
}

TEST(chernobil, init_needs_all_twelve_pictures) {
    namespace fs = std::filesystem;
    vdk::test::scoped_work_dir dir;
    fs::create_directories("_glimmerock/2d");
    fs::create_directories("_glimmerock/lyrics");
    const std::vector<uint32_t> picture(4 * 4, 0xFF336699u);
    vdk::test::write_png("_glimmerock/2d/corridor.png", 4, 4, picture, false);
    for (const char* n : {"01", "02", "03", "04", "05", "06", "07", "11", "12", "13", "14"}) {
        vdk::test::write_png(std::string("_glimmerock/lyrics/lyrics-") + n + ".png", 4, 4, picture,
                             true);
    }
    vdk::core::logger log(vdk::core::file);
    {
        effect_chernobil corridor(nullptr, &log);
        EXPECT_TRUE(corridor.init());
    }
    fs::remove("_glimmerock/lyrics/lyrics-14.png");
    effect_chernobil corridor(nullptr, &log);
    EXPECT_FALSE(corridor.init());
    EXPECT_NE(vdk::test::read_file("app.log").find("[ERROR]] effect_chernobil failed to initialize itself"),
              std::string::npos);
}

TEST(chernobil, run_draws_every_row_and_keeps_the_clock) {
    corridor_fixture f;
    EXPECT_EQ(f.corridor.run(5000, 152.0), 1);
    EXPECT_EQ(f.corridor.run(7000, 154.0), 1);
    EXPECT_EQ(f.corridor.local_time, 2.0);
    const uint32_t* pixels = f.host.pixels();
    for (int i = 0; i < screen_width * screen_height; ++i) ASSERT_EQ(pixels[i], grey(128)) << i;
}

TEST(chernobil, loads_the_generated_pictures) {
    if (!vdk::test::show_data_available()) GTEST_SKIP() << "no generated data";
    vdk::test::scoped_work_dir dir(true);
    vdk::core::logger log(vdk::core::file);
    effect_chernobil corridor(nullptr, &log);
    EXPECT_TRUE(corridor.init());
}
