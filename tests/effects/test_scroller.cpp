// The sliding stripes: which stripe a row belongs to, the fades at both ends,
// and the ground that forms vertical streaks.

#include <gtest/gtest.h>

#include <vector>

#include "effects/effect_scroller.h"
#include "support/effect_test_host.h"
#include "support/test_support.h"

namespace {

using stripe = effect_scroller::stripe_kind;

void fill_varied(vdk::core::texture_gdi& texture, int width, int height, uint32_t seed) {
    texture.release();
    texture.create(width, height);
    for (int i = 0; i < width * height; ++i)
        texture.pixels()[i] = (static_cast<uint32_t>(i) + seed) * 2654435761u | 0x80000000u;
}

std::vector<uint32_t> frame_at(const effect_scroller& fx, double t, double s) {
    std::vector<uint32_t> frame(screen_width * screen_height, 0x12345678u);
    for (int band = 0; band < 4; ++band) fx.render_band(band * 60, band * 60 + 60, t, frame.data(), s);
    return frame;
}

}  // namespace

TEST(scroller_stripes, no_row_falls_into_the_still_stripe) {
    for (int y = 0; y < screen_height; ++y) EXPECT_NE(effect_scroller::stripe_of(y), stripe::still) << y;
    EXPECT_EQ(effect_scroller::stripe_of(17), stripe::swing);  // ty 0.0708
    EXPECT_EQ(effect_scroller::stripe_of(18), stripe::sway);   // ty 0.0750000030
}

TEST(scroller_stripes, boundary_rows_fall_on_the_right_side) {
    EXPECT_EQ(effect_scroller::stripe_of(29), stripe::sway);
    EXPECT_EQ(effect_scroller::stripe_of(30), stripe::swing);   // ty = 0.125 exactly
    EXPECT_EQ(effect_scroller::stripe_of(228), stripe::swing);  // ty 0.949999988
    EXPECT_EQ(effect_scroller::stripe_of(229), stripe::sway);
    EXPECT_EQ(effect_scroller::stripe_of(239), stripe::sway);
    EXPECT_EQ(effect_scroller::stripe_of(0), stripe::swing);
}

TEST(scroller_frames, black_at_107_and_121_s) {
    effect_scroller fx(nullptr, nullptr);
    fill_varied(fx.tex_grain, 64, 64, 1);
    fill_varied(fx.tex_greet, 320, 240, 2);
    fill_varied(fx.tex_stripes, 128, 128, 3);
    for (uint32_t p : frame_at(fx, 0.0, 107.0)) ASSERT_EQ(p, 0xFF000000u);
    for (uint32_t p : frame_at(fx, 14.0, 121.0)) ASSERT_EQ(p, 0xFF000000u);
    bool lit = false;
    for (uint32_t p : frame_at(fx, 7.0, 114.0)) lit = lit || p != 0xFF000000u;
    EXPECT_TRUE(lit);
}

TEST(scroller_frames, ground_alone_forms_vertical_streaks) {
    effect_scroller fx(nullptr, nullptr);
    fill_varied(fx.tex_grain, 64, 64, 5);
    fx.tex_greet.create(1, 1);
    fx.tex_greet.pixels()[0] = 0u;  // transparent greeting
    fx.tex_stripes.create(1, 1);
    fx.tex_stripes.pixels()[0] = 0u;
    const std::vector<uint32_t> frame = frame_at(fx, 3.0, 112.0);
    for (int x = 0; x < screen_width; ++x)
        for (int y = 1; y < screen_height; ++y)
            ASSERT_EQ(frame[y * screen_width + x], frame[x]) << x << ", " << y;
}

TEST(scroller, init_reports_under_the_tunnel_name) {
    vdk::test::scoped_work_dir dir;
    {
        vdk::core::logger log{vdk::core::file};
        effect_scroller fx(nullptr, &log);
        EXPECT_FALSE(fx.init());
    }
    EXPECT_NE(vdk::test::read_file("app.log").find(
                  "[ERROR]] effect_tunnel failed to initialize itself"),
              std::string::npos);
}

TEST(scroller, run_draws_all_bands_and_advance_keeps_the_clock) {
    vdk::test::effect_test_host host;
    effect_scroller fx(&host, host.log());
    fill_varied(fx.tex_grain, 64, 64, 1);
    fill_varied(fx.tex_greet, 320, 240, 2);
    fill_varied(fx.tex_stripes, 128, 128, 3);
    fx.advance(107000, 107.0);
    fx.advance(110250, 110.25);
    EXPECT_EQ(fx.local_time, 3.25);
    fx.run(110250, 110.25);
    EXPECT_EQ(host.frame(), frame_at(fx, 3.25, 110.25));
}
