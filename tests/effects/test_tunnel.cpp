// The twisting tunnel: the greeting schedule, the fade, the black first frame,
// and skipping frames without changing what is drawn afterwards.

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "effects/effect_tunnel.h"
#include "support/effect_test_host.h"
#include "support/test_support.h"

namespace {

void fill(vdk::core::texture_gdi& texture, int width, int height, uint32_t pixel) {
    texture.release();
    texture.create(width, height);
    for (int i = 0; i < width * height; ++i) texture.pixels()[i] = pixel;
}

// A wall with varied texels and five greetings, each opaque in a block of the
// screen and transparent elsewhere.
void prepare(effect_tunnel& fx) {
    fx.tex_skin.release();
    fx.tex_skin.create(32, 32);
    for (int i = 0; i < 32 * 32; ++i) fx.tex_skin.pixels()[i] = 0xFF000000u | (i * 2654435761u >> 8);
    for (int k = 0; k < effect_tunnel::greeting_count; ++k) {
        fill(fx.greet[k], 4, 4, 0u);
        fx.greet[k].pixels()[k % 4] = 0xFF804020u;  // row 0, column k % 4
    }
}

struct tunnel_fixture {
    vdk::test::effect_test_host host;
    effect_tunnel tunnel{&host, host.log()};
    tunnel_fixture() { prepare(tunnel); }
};

bool all_equal(const uint32_t* pixels, uint32_t value) {
    for (int i = 0; i < screen_width * screen_height; ++i)
        if (pixels[i] != value) return false;
    return true;
}

}  // namespace

TEST(tunnel_greetings, first_greeting_strictly_after_92_s) {
    effect_tunnel fx(nullptr, nullptr);
    fx.advance_greetings(91.5);
    fx.advance_greetings(92.0);
    EXPECT_EQ(fx.greet_step, 0);
    EXPECT_EQ(fx.greet_current, nullptr);
    fx.advance_greetings(std::nextafter(92.0, 93.0));
    EXPECT_EQ(fx.greet_step, 1);
    EXPECT_EQ(fx.greet_current, &fx.greet[0]);
}

TEST(tunnel_greetings, a_first_frame_at_100_s_takes_three_steps) {
    effect_tunnel fx(nullptr, nullptr);
    fx.advance_greetings(100.0);
    EXPECT_EQ(fx.greet_step, 3);
    EXPECT_EQ(fx.greet_current, &fx.greet[2]);
}

TEST(tunnel_greetings, none_from_105_6_s_and_never_back) {
    effect_tunnel fx(nullptr, nullptr);
    fx.advance_greetings(105.6);
    EXPECT_EQ(fx.greet_current, &fx.greet[3]);
    fx.advance_greetings(105.61);
    EXPECT_EQ(fx.greet_step, 5);
    EXPECT_EQ(fx.greet_current, nullptr);
    fx.advance_greetings(93.0);  // the position went back: the schedule does not
    EXPECT_EQ(fx.greet_step, 5);
    EXPECT_EQ(fx.greet_current, nullptr);

    effect_tunnel late(nullptr, nullptr);
    late.advance_greetings(103.0);
    EXPECT_EQ(late.greet_current, &late.greet[3]);
    late.advance_greetings(101.0);
    EXPECT_EQ(late.greet_current, &late.greet[3]);
}

TEST(tunnel_frames, black_tunnel_on_the_first_frame_with_only_the_greeting) {
    tunnel_fixture f;
    f.tunnel.run(91000, 91.5);
    EXPECT_EQ(f.tunnel.local_time, 0.0);
    EXPECT_TRUE(all_equal(f.host.pixels(), 0xFF000000u));

    tunnel_fixture g;
    g.tunnel.run(93000, 93.0);  // first frame, greeting 1 in the top-left block
    const uint32_t* pixels = g.host.pixels();
    EXPECT_EQ(pixels[10 * screen_width + 10], 0xFF804020u);
    EXPECT_EQ(pixels[10 * screen_width + 100], 0xFF000000u);
    EXPECT_EQ(pixels[200 * screen_width + 10], 0xFF000000u);
}

TEST(tunnel_frames, black_at_107_s) {
    tunnel_fixture f;
    f.tunnel.run(0, 95.0);
    f.tunnel.run(12000, 107.0);
    EXPECT_TRUE(all_equal(f.host.pixels(), 0xFF000000u));
    f.tunnel.run(11500, 106.5);  // the tunnel itself is lit, half faded
    EXPECT_FALSE(all_equal(f.host.pixels(), 0xFF000000u));
}

TEST(tunnel_frames, skipped_frames_leave_the_next_frame_unchanged) {
    tunnel_fixture drawn;
    tunnel_fixture skipped;
    for (int n = 0; n < 8; ++n) {
        const double s = 91.0 + n * 1.3;
        const float ms = std::floor(n * 1300.0f);
        drawn.tunnel.run(ms, s);
        skipped.tunnel.advance(ms, s);
    }
    drawn.tunnel.run(10400, 101.4);
    skipped.tunnel.run(10400, 101.4);
    EXPECT_EQ(skipped.tunnel.greet_step, drawn.tunnel.greet_step);
    const std::vector<uint32_t> a(drawn.host.pixels(), drawn.host.pixels() + 76800);
    const std::vector<uint32_t> b(skipped.host.pixels(), skipped.host.pixels() + 76800);
    EXPECT_EQ(a, b);
}

TEST(tunnel_frames, without_a_back_buffer_the_schedule_waits) {
    tunnel_fixture f;
    f.host.close();
    EXPECT_EQ(f.tunnel.run(2000, 100.0), 1);
    EXPECT_EQ(f.tunnel.start_time, 2000.0f);
    EXPECT_EQ(f.tunnel.greet_step, 0);
}

TEST(tunnel, init_stops_at_the_first_missing_picture) {
    vdk::test::scoped_work_dir dir;
    std::filesystem::create_directories("_glimmerock/textures");
    vdk::test::write_png("_glimmerock/textures/bloodskin.png", 2, 2,
                         std::vector<uint32_t>(4, 0xFF102030u), true);
    {
        vdk::core::logger log{vdk::core::file};
        effect_tunnel fx(nullptr, &log);
        EXPECT_FALSE(fx.init());
        EXPECT_EQ(fx.tex_skin.status(), 0);
    }
    EXPECT_NE(vdk::test::read_file("app.log").find(
                  "[ERROR]] effect_tunnel failed to initialize itself"),
              std::string::npos);
}
