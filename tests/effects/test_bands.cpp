// The four-band split and its persistent workers: every row drawn once, by
// one worker, in both layouts;
// and every effect drawing a real frame through its workers (under
// ThreadSanitizer this is the race check of the whole show).

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <set>
#include <thread>

#include "app/offline_show.h"
#include "support/test_support.h"

TEST(bands, the_layouts_split_the_frame_into_four_disjoint_bands) {
    const band_rows full[4] = {{0, 60}, {60, 120}, {120, 180}, {180, 240}};
    const band_rows half[4] = {{0, 30}, {30, 60}, {60, 90}, {90, 120}};
    for (int band = 0; band < 4; ++band) {
        EXPECT_EQ(rows_of_band(band_layout::full_resolution, band).first_row, full[band].first_row);
        EXPECT_EQ(rows_of_band(band_layout::full_resolution, band).end_row, full[band].end_row);
        EXPECT_EQ(rows_of_band(band_layout::half_resolution, band).first_row, half[band].first_row);
        EXPECT_EQ(rows_of_band(band_layout::half_resolution, band).end_row, half[band].end_row);
    }
}

TEST(bands, every_row_is_drawn_exactly_once_by_one_worker) {
    band_workers workers;
    for (band_layout layout : {band_layout::full_resolution, band_layout::half_resolution}) {
        const int rows = layout == band_layout::full_resolution ? 240 : 120;
        std::vector<int> drawn(rows, 0);
        std::vector<std::thread::id> drawer(rows);
        auto render = [&](int first_row, int end_row) {
            for (int row = first_row; row < end_row; ++row) {
                ++drawn[row];  // rows are disjoint, so no two workers touch one
                drawer[row] = std::this_thread::get_id();
            }
        };
        workers.run(layout, render);
        std::set<std::thread::id> workers;
        for (int row = 0; row < rows; ++row) {
            EXPECT_EQ(drawn[row], 1) << row;
            workers.insert(drawer[row]);
        }
        EXPECT_EQ(workers.size(), 4u);
        EXPECT_EQ(workers.count(std::this_thread::get_id()), 0u);
    }
}

TEST(bands, all_four_bands_have_finished_when_run_returns) {
    band_workers workers;
    for (int repeat = 0; repeat < 2000; ++repeat) {
        std::atomic<int> finished{0};
        auto render = [&](int, int) {
            std::this_thread::yield();
            finished.fetch_add(1);
        };
        workers.run(repeat % 2 ? band_layout::half_resolution : band_layout::full_resolution, render);
        ASSERT_EQ(finished.load(), 4);
    }
}

TEST(bands, the_same_four_threads_draw_every_frame) {
    band_workers workers;
    std::set<std::thread::id> seen;
    std::mutex guard;
    auto render = [&](int, int) {
        std::lock_guard<std::mutex> lock(guard);
        seen.insert(std::this_thread::get_id());
    };
    for (int frame = 0; frame < 100; ++frame) workers.run(band_layout::full_resolution, render);
    EXPECT_EQ(seen.size(), 4u);
}

TEST(bands, every_effect_draws_a_whole_frame_in_its_window) {
    if (!vdk::test::show_data_available()) GTEST_SKIP() << "needs the generated data";
    vdk::test::scoped_work_dir dir(true);
    offline_show show;
    ASSERT_TRUE(show.open());
    // One frame a second into every window.
    int64_t previous = -1;
    for (const scene_window& scene : show.app().scenes()) {
        const int64_t frame = show.frame_at(scene.start + 1.0);
        if (frame <= previous) continue;
        uint32_t* target = show.app().pixels();
        std::fill(target, target + screen_width * screen_height, 0x00ABCDEFu);
        const uint32_t* pixels = show.render(frame);
        ASSERT_NE(pixels, nullptr);
        int untouched = 0;
        for (int i = 0; i < screen_width * screen_height; ++i) untouched += pixels[i] == 0x00ABCDEFu;
        EXPECT_EQ(untouched, 0) << show.app().effect_name(scene.effect) << " at " << scene.start + 1.0;
        previous = frame;
    }
}
