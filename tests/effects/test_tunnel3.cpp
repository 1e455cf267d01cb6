// The swirling tunnel: a black centre, and a stencil that caps each channel.

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "effects/effect_tunnel3.h"
#include "support/effect_test_host.h"
#include "support/test_support.h"

namespace {

struct swirl_fixture {
    vdk::core::logger log{vdk::core::console};
    effect_tunnel3 tunnel{nullptr, &log};

    swirl_fixture() {
        // A wall with some structure, so that the picture is not flat.
        tunnel.tex_tunnel.create(64, 64);
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x)
                tunnel.tex_tunnel.pixels()[y * 64 + x] =
                    0xFF000000u + (x * 4u) * 65536u + (y * 4u) * 256u + 200u;
        stencil([](int, int) { return 0xFFFFFFFFu; });
    }
    template <class Pick>
    void stencil(Pick pick) {
        tunnel.tex_stencil.create(screen_width, screen_height);
        for (int y = 0; y < screen_height; ++y)
            for (int x = 0; x < screen_width; ++x)
                tunnel.tex_stencil.pixels()[y * screen_width + x] = pick(x, y);
    }
    std::vector<uint32_t> frame(double t) const {
        std::vector<uint32_t> pixels(screen_width * screen_height, 0x12345678u);
        for (int band = 0; band < 4; ++band)
            tunnel.render_band(band * 60, band * 60 + 60, t, pixels.data());
        return pixels;
    }
};

}  // namespace

TEST(tunnel3, the_centre_is_black_and_the_walls_are_lit) {
    swirl_fixture f;
    for (double t : {0.0, 3.3}) {
        const std::vector<uint32_t> pixels = f.frame(t);
        EXPECT_EQ(pixels[120 * screen_width + 160], 0xFF000000u);
        int lit = 0;
        for (uint32_t p : pixels) lit += (p & 0xFFu) > 100;
        EXPECT_GT(lit, screen_width * screen_height / 4) << t;
    }
}

TEST(tunnel3, the_stencil_caps_each_channel) {
    swirl_fixture f;
    const std::vector<uint32_t> open = f.frame(2.0);
    // Left half white and opaque, right half black: the left shows the tunnel
    // unchanged, the right is black.
    f.stencil([](int x, int) { return x < 160 ? 0xFFFFFFFFu : 0xFF000000u; });
    const std::vector<uint32_t> half = f.frame(2.0);
    for (int y = 0; y < screen_height; ++y) {
        for (int x = 0; x < screen_width; ++x) {
            const int i = y * screen_width + x;
            ASSERT_EQ(half[i], x < 160 ? open[i] : 0xFF000000u) << x << "," << y;
        }
    }
    // A dim blue stencil leaves no red or green and caps blue.
    f.stencil([](int, int) { return 0xFF000040u; });
    for (uint32_t p : f.frame(2.0)) ASSERT_LE(p, 0xFF000040u);
    // A transparent stencil hides everything.
    f.stencil([](int, int) { return 0x00FFFFFFu; });
    for (uint32_t p : f.frame(2.0)) ASSERT_EQ(p, 0xFF000000u);
}

TEST(tunnel3, init_reports_under_the_planes_name_even_for_the_unused_overlay) {
    namespace fs = std::filesystem;
    vdk::test::scoped_work_dir dir;
    fs::create_directories("_glimmerock/textures");
    fs::create_directories("_glimmerock/overlays");
    const std::vector<uint32_t> picture(4, 0xFF808080u);
    vdk::test::write_png("_glimmerock/textures/rust.png", 2, 2, picture, false);
    vdk::test::write_png("_glimmerock/overlays/v_g_overlay4_320_mask.png", 2, 2, picture, true);
    vdk::core::logger log(vdk::core::file);
    effect_tunnel3 tunnel(nullptr, &log);
    EXPECT_FALSE(tunnel.init());
    EXPECT_NE(vdk::test::read_file("app.log").find("[ERROR]] effect_tunnel2 failed to initialize itself"),
              std::string::npos);
    vdk::test::write_png("_glimmerock/overlays/v_g_overlay4_320.png", 2, 2, picture, true);
    EXPECT_TRUE(tunnel.init());
}

TEST(tunnel3, run_uses_its_clock_and_all_four_bands) {
    vdk::test::effect_test_host host;
    effect_tunnel3 swirl(&host, host.log());
    swirl_fixture f;
    swirl.tex_tunnel.create(64, 64);
    for (int i = 0; i < 64 * 64; ++i) swirl.tex_tunnel.pixels()[i] = f.tunnel.tex_tunnel.pixels()[i];
    swirl.tex_stencil.create(1, 1);
    swirl.tex_stencil.pixels()[0] = 0xFFFFFFFFu;
    swirl.run(4000, 184.0);
    swirl.run(5500, 190.0);
    EXPECT_EQ(swirl.local_time, 1.5);
    EXPECT_EQ(host.frame(), f.frame(1.5));
}

TEST(tunnel3, loads_the_generated_pictures) {
    if (!vdk::test::show_data_available()) GTEST_SKIP() << "no generated data";
    vdk::test::scoped_work_dir dir(true);
    vdk::core::logger log(vdk::core::file);
    effect_tunnel3 tunnel(nullptr, &log);
    EXPECT_TRUE(tunnel.init());
}
