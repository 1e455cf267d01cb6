// The rotating planes: a black horizon, brightness growing with the distance
// from it, and the clock's divisor.

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "effects/effect_tunnel2.h"
#include "support/effect_test_host.h"
#include "support/test_support.h"

namespace {

void fill(vdk::core::texture_gdi& texture, uint32_t value) {
    texture.create(64, 64);
    for (int i = 0; i < 64 * 64; ++i) texture.pixels()[i] = value;
}

std::vector<uint32_t> frame(const effect_tunnel2& planes, double t) {
    std::vector<uint32_t> pixels(screen_width * screen_height, 0x12345678u);
    for (int band = 0; band < 4; ++band) planes.render_band(band * 60, band * 60 + 60, t, pixels.data());
    return pixels;
}

uint32_t red(uint32_t pixel) { return (pixel >> 16) & 0xFFu; }

}  // namespace

TEST(tunnel2, at_time_zero_the_horizon_is_the_black_centre_row) {
    vdk::core::logger log(vdk::core::console);
    effect_tunnel2 planes(nullptr, &log);
    fill(planes.tex_plane, 0xFFFFFFFFu);
    const std::vector<uint32_t> pixels = frame(planes, 0.0);
    for (int y = 0; y < screen_height; ++y) {
        for (int x = 0; x < screen_width; ++x) {
            const uint32_t p = pixels[y * screen_width + x];
            if (y == 120) {
                ASSERT_EQ(p, 0xFF000000u) << x;
            } else {
                ASSERT_NE(p, 0xFF000000u) << x << "," << y;
            }
        }
    }
    // Brightness is the distance |v|: v = 0.5 on row 180 gives 127.
    EXPECT_EQ(pixels[180 * screen_width + 17], 0xFF7F7F7Fu);
    EXPECT_EQ(pixels[60 * screen_width + 300], 0xFF7F7F7Fu);
    EXPECT_EQ(pixels[0], 0xFFFFFFFFu);
}

TEST(tunnel2, the_centre_stays_black_while_the_horizon_turns) {
    vdk::core::logger log(vdk::core::console);
    effect_tunnel2 planes(nullptr, &log);
    fill(planes.tex_plane, 0xFFFFFFFFu);
    for (double t : {1.0, 2.5, 6.3}) {
        const std::vector<uint32_t> pixels = frame(planes, t);
        EXPECT_EQ(pixels[120 * screen_width + 160], 0xFF000000u) << t;
        // Turned: the centre row is no longer the horizon.
        EXPECT_NE(pixels[120 * screen_width + 0], 0xFF000000u) << t;
    }
}

TEST(tunnel2, texel_alpha_weights_the_colour) {
    vdk::core::logger log(vdk::core::console);
    effect_tunnel2 planes(nullptr, &log);
    fill(planes.tex_plane, 0x00FFFFFFu);
    EXPECT_EQ(frame(planes, 0.0)[0], 0xFF000000u);
    fill(planes.tex_plane, 0x80FF8000u);
    const uint32_t corner = frame(planes, 0.0)[0];  // f = 1
    EXPECT_EQ(red(corner), 128u);
    EXPECT_EQ((corner >> 8) & 0xFFu, 64u);
    EXPECT_EQ(corner & 0xFFu, 0u);
}

TEST(tunnel2, clock_runs_at_a_divisor_of_1100) {
    vdk::test::effect_test_host host;
    effect_tunnel2 planes(&host, host.log());
    fill(planes.tex_plane, 0xFFFFFFFFu);
    EXPECT_EQ(planes.run(1000, 177.0), 1);
    EXPECT_EQ(planes.local_time, 0.0);
    planes.advance(3200, 179.0);
    EXPECT_EQ(planes.run(3200, 179.0), 1);
    EXPECT_EQ(planes.local_time, 2.0);
    EXPECT_EQ(host.frame(), frame(planes, 2.0));
}

TEST(tunnel2, init_reports_a_missing_picture) {
    vdk::test::scoped_work_dir dir;
    vdk::core::logger log(vdk::core::file);
    effect_tunnel2 planes(nullptr, &log);
    EXPECT_FALSE(planes.init());
    EXPECT_NE(vdk::test::read_file("app.log").find("[ERROR]] effect_tunnel2 failed to initialize itself"),
              std::string::npos);
    std::filesystem::create_directories("_glimmerock/textures");
    vdk::test::write_png("_glimmerock/textures/cryptic.png", 2, 2,
                         std::vector<uint32_t>(4, 0xFF102030u), false);
    EXPECT_TRUE(planes.init());
}

TEST(tunnel2, loads_the_generated_picture) {
    if (!vdk::test::show_data_available()) GTEST_SKIP() << "no generated data";
    vdk::test::scoped_work_dir dir(true);
    vdk::core::logger log(vdk::core::file);
    effect_tunnel2 planes(nullptr, &log);
    EXPECT_TRUE(planes.init());
}
