// The timeline: which effect draws at the boundary positions, the end of the
// show, and positions that draw nothing. The position comes from a scripted
// audio output, not from real playback.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "app/my_app.h"
#include "core/window_headless.h"
#include "support/test_support.h"

namespace {

struct scripted_show {
    vdk::test::scoped_work_dir dir{false};
    vdk::core::scripted_output* audio;
    std::unique_ptr<my_app> app;

    scripted_show() {
        auto output = std::make_unique<vdk::core::scripted_output>();
        audio = output.get();
        app = std::make_unique<my_app>(std::make_unique<vdk::core::headless_window>(),
                                       std::move(output));
        // The set-up may fail without pictures; the back buffer exists anyway.
        app->create(show_title, screen_width, screen_height);
        vdk::test::make_test_mp3("tone.mp3", 0.5);
        app->music_loaded = app->player.load(app->music, "tone.mp3");
    }
};

}  // namespace

TEST(timeline, windows_are_inclusive_at_start_and_exclusive_at_end) {
    scripted_show show;
    my_app& app = *show.app;
    EXPECT_EQ(app.effect_at(0.0), &app.intro_group);
    EXPECT_EQ(app.effect_at(24.999), &app.intro_group);
    EXPECT_EQ(app.effect_at(25.0), &app.intro_fennick);
    EXPECT_EQ(app.effect_at(29.0), &app.intro_drumelo);
    EXPECT_EQ(app.effect_at(33.0), &app.intro_quintaz);
    EXPECT_EQ(app.effect_at(40.4999), &app.intro_pello);
    EXPECT_EQ(app.effect_at(40.5), &app.opening_1);
    EXPECT_EQ(app.effect_at(55.0), &app.opening_2);
    EXPECT_EQ(app.effect_at(70.0), &app.opening_3);
    EXPECT_EQ(app.effect_at(86.0), &app.still_01);
    EXPECT_EQ(app.effect_at(90.0), &app.still_01);
    EXPECT_EQ(app.effect_at(91.0), &app.tunnel);
    EXPECT_EQ(app.effect_at(107.0), &app.scroller);
    EXPECT_EQ(app.effect_at(120.999), &app.scroller);
    EXPECT_EQ(app.effect_at(121.0), &app.lava);
    EXPECT_EQ(app.effect_at(149.999), &app.lava);
    EXPECT_EQ(app.effect_at(150.0), &app.chernobil);
    EXPECT_EQ(app.effect_at(170.0), &app.starfield);
    EXPECT_EQ(app.effect_at(177.0), &app.tunnel2);
    EXPECT_EQ(app.effect_at(184.0), &app.tunnel3);
    EXPECT_EQ(app.effect_at(192.0), &app.blobs1);
    EXPECT_EQ(app.effect_at(199.0), &app.blobs2);
    EXPECT_EQ(app.effect_at(206.0), &app.opening_1);
    EXPECT_EQ(app.effect_at(213.0), &app.opening_2);
    EXPECT_EQ(app.effect_at(235.999), &app.opening_2);
    EXPECT_EQ(app.effect_at(236.0), &app.still_02);
    EXPECT_EQ(app.effect_at(260.0), &app.starfield);
    EXPECT_EQ(app.effect_at(265.4999), &app.starfield);
    EXPECT_EQ(app.effect_at(265.5), &app.outtro_picture);
    EXPECT_EQ(app.effect_at(297.9), &app.outtro_picture);
    EXPECT_EQ(app.effect_at(1e9), &app.outtro_picture);
    EXPECT_EQ(app.effect_at(-0.001), nullptr);
    EXPECT_EQ(app.effect_at(std::numeric_limits<double>::quiet_NaN()), nullptr);
}

TEST(timeline, windows_cover_every_position_without_gap_or_overlap) {
    scripted_show show;
    const auto& scenes = show.app->scenes();
    EXPECT_EQ(scenes.front().start, 0.0);
    for (size_t i = 1; i < scenes.size(); ++i) EXPECT_EQ(scenes[i].start, scenes[i - 1].end) << i;
    EXPECT_TRUE(scenes.back().open_ended);
    for (double t = 0; t < 300; t += 0.05) {
        int holders = 0;
        for (const scene_window& scene : scenes) holders += scene.contains(t);
        EXPECT_EQ(holders, 1) << t;
    }
}

TEST(timeline, the_scene_at_the_position_draws_the_frame) {
    scripted_show show;
    my_app& app = *show.app;
    app.clear(0xFF, 1, 2, 3);
    show.audio->set_position(130.0);
    EXPECT_EQ(app.on_frame(0), 0);
    const uint32_t* pixels = app.pixels();
    bool uniform = true;
    for (int i = 1; i < screen_width * screen_height; ++i) uniform &= pixels[i] == pixels[0];
    EXPECT_FALSE(uniform);  // the lava fractal drew
    EXPECT_FALSE(app.quitting());
}

TEST(timeline, negative_or_nan_positions_draw_nothing_and_never_close) {
    scripted_show show;
    my_app& app = *show.app;
    app.clear(0xFF, 1, 2, 3);
    for (double t : {-1.0, std::numeric_limits<double>::quiet_NaN()}) {
        show.audio->set_position(t);
        EXPECT_EQ(app.on_frame(0), 0);
        EXPECT_EQ(app.pixels()[0], 0xFF010203u);
        EXPECT_EQ(app.pixels()[screen_width * screen_height - 1], 0xFF010203u);
        EXPECT_FALSE(app.quitting());
    }
}

TEST(timeline, the_show_closes_at_298_seconds_after_drawing_that_frame) {
    scripted_show show;
    my_app& app = *show.app;
    show.audio->set_position(297.9);
    app.on_frame(0);
    EXPECT_FALSE(app.quitting());
    show.audio->set_position(298.0);
    EXPECT_EQ(app.on_frame(10), 0);
    EXPECT_TRUE(app.quitting());
    EXPECT_EQ(app.pixels(), nullptr);
    EXPECT_EQ(app.on_frame(20), -1);  // no back buffer any more
}
