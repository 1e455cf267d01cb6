// The breathing iris: the three passes, the iris edge, the fade from white and
// the working layers.

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "effects/effect_opening_3.h"
#include "support/effect_test_host.h"
#include "support/test_support.h"

namespace {

void fill(vdk::core::texture_gdi& texture, int width, int height, uint32_t pixel) {
    texture.release();
    texture.create(width, height);
    for (int i = 0; i < width * height; ++i) texture.pixels()[i] = pixel;
}

// An iris effect whose pictures and layers hold the given uniform pixels.
void prepare(effect_opening_3& fx, uint32_t picture_layer, uint32_t glow_layer) {
    fill(fx.tex_picture, 16, 16, 0xFF808080u);
    fill(fx.tex_noise, 16, 16, 0u);
    fill(fx.tex_industrial, 16, 16, 0u);
    fill(fx.layer_picture, screen_width, screen_height, picture_layer);
    fill(fx.layer_glow, screen_width, screen_height, glow_layer);
}

constexpr double half_pi = 1.5707963267948966;

}  // namespace

TEST(opening_3_iris, no_pixel_fully_inside_while_the_radius_is_below_0_2) {
    effect_opening_3 fx(nullptr, nullptr);
    // Inside the iris (l = 1) a white glow over a black picture packs to
    // white; anywhere else l (1.5 - 0.5 l) stays below 1.
    prepare(fx, 0xFF000000u, 0xFFFFFFFFu);
    std::vector<uint32_t> frame(screen_width * screen_height);
    for (double t : {0.5, 1.0, 1.9, 31.0}) {  // |sin(t/10)| < 0.2
        ASSERT_LT(std::fabs(std::sin(t / 10)), 0.2);
        fx.compose(frame.data(), t, 80.0);
        for (uint32_t p : frame) ASSERT_NE(p, 0xFFFFFFFFu) << "t = " << t;
    }
    // Outside the iris the picture shows at half strength over the colour of
    // the layer's corner: black here.
    EXPECT_EQ(frame[0], 0xFF000000u);
    // Wide open (f = 1) the centre is inside.
    fx.compose(frame.data(), 10 * half_pi, 80.0);
    EXPECT_EQ(frame[120 * screen_width + 160], 0xFFFFFFFFu);
}

TEST(opening_3_iris, halfway_to_white_at_71_s) {
    effect_opening_3 fx(nullptr, nullptr);
    prepare(fx, 0xFF000000u, 0xFF406080u);
    std::vector<uint32_t> frame(screen_width * screen_height);
    const int centre = 120 * screen_width + 160;  // inside the open iris: the glow alone
    fx.compose(frame.data(), 10 * half_pi, 80.0);
    EXPECT_EQ(frame[centre], 0xFF406080u);
    fx.compose(frame.data(), 10 * half_pi, 71.0);
    const auto halfway = [](int byte) {
        return static_cast<uint32_t>((byte / 255.0 * 0.5 + 0.5) * 255);
    };
    EXPECT_EQ(frame[centre], 0xFF000000u | halfway(0x40) << 16 | halfway(0x60) << 8 | halfway(0x80));
    fx.compose(frame.data(), 10 * half_pi, 70.0);
    for (uint32_t p : frame) ASSERT_EQ(p, 0xFFFFFFFFu);
}

TEST(opening_3_passes, a_transparent_picture_pixel_contributes_black) {
    effect_opening_3 fx(nullptr, nullptr);
    fx.tex_picture.create(2, 1);
    fx.tex_picture.pixels()[0] = 0x00FFFFFFu;  // transparent white: left half
    fx.tex_picture.pixels()[1] = 0xFFFFFFFFu;  // opaque white: right half
    std::vector<uint32_t> layer(screen_width * screen_height);
    fx.render_picture(layer.data());
    EXPECT_EQ(layer[50 * screen_width + 10], 0xFF000000u);
    EXPECT_EQ(layer[50 * screen_width + 300], 0xFFFFFFFFu);
}

TEST(opening_3_passes, the_glow_centre_clips_to_full_brightness) {
    effect_opening_3 fx(nullptr, nullptr);
    fill(fx.tex_noise, 16, 16, 0xFFFFFFFFu);
    fill(fx.tex_industrial, 16, 16, 0u);
    std::vector<uint32_t> layer(screen_width * screen_height);
    // local_time -60 puts the centre at (0.5, 0.5): pixel (160, 120), o = 0.
    fx.render_glow(layer.data(), -60.0);
    EXPECT_EQ(layer[120 * screen_width + 160], 0xFFFFFFFFu);
    // The top row is the industrial picture alone (transparent black here).
    EXPECT_EQ(layer[5], 0xFF000000u);
}

TEST(opening_3, init_allocates_the_layers_and_reports_under_the_credit_intro_name) {
    vdk::test::scoped_work_dir dir;
    {
        vdk::core::logger log{vdk::core::file};
        effect_opening_3 fx(nullptr, &log);
        EXPECT_FALSE(fx.init());
        EXPECT_EQ(fx.layer_picture.status(), -1);
    }
    EXPECT_NE(vdk::test::read_file("app.log").find(
                  "[ERROR]] Effect_Intro_Pello failed to initialize itself"),
              std::string::npos);

    std::filesystem::create_directories("_glimmerock/2d");
    std::filesystem::create_directories("_glimmerock/textures");
    const std::vector<uint32_t> tiny(4, 0xFF102030u);
    for (const char* path : {"_glimmerock/2d/opening1.png", "_glimmerock/textures/BWST_9.png",
                             "_glimmerock/2d/industrial.png"})
        vdk::test::write_png(path, 2, 2, tiny, true);
    vdk::core::logger log{vdk::core::file};
    effect_opening_3 fx(nullptr, &log);
    ASSERT_TRUE(fx.init());
    EXPECT_EQ(fx.layer_picture.width(), screen_width);
    EXPECT_EQ(fx.layer_glow.height(), screen_height);
    // The picture layer is drawn here, once, as the first pass would draw it.
    std::vector<uint32_t> expected(screen_width * screen_height, 0u);
    fx.render_picture(expected.data());
    EXPECT_EQ(std::vector<uint32_t>(fx.layer_picture.pixels(),
                                    fx.layer_picture.pixels() + screen_width * screen_height),
              expected);
    EXPECT_EQ(fx.layer_picture.pixels()[0] >> 24, 0xFFu);  // drawn, not left blank
}

TEST(opening_3, run_draws_every_pixel_on_the_calling_thread_and_advance_keeps_the_clock) {
    vdk::test::effect_test_host host;
    effect_opening_3 fx(&host, host.log());
    fill(fx.tex_picture, 8, 8, 0xFF336699u);
    fill(fx.tex_noise, 8, 8, 0xFF202020u);
    fill(fx.tex_industrial, 8, 8, 0xFF808080u);
    fill(fx.layer_picture, screen_width, screen_height, 0);
    fill(fx.layer_glow, screen_width, screen_height, 0);
    uint32_t* pixels = host.pixels();
    for (int i = 0; i < screen_width * screen_height; ++i) pixels[i] = 0x12345678u;
    EXPECT_EQ(fx.run(70000, 75.0), 1);
    EXPECT_EQ(fx.local_time, 0.0);
    for (int i = 0; i < screen_width * screen_height; ++i) ASSERT_EQ(pixels[i] >> 24, 0xFFu);
    fx.advance(72500, 77.5);
    EXPECT_EQ(fx.local_time, 2.5);
}
