// The four-band split and its persistent workers: every row drawn once with
// any number of workers, in both layouts; the caller drawing beside them;
// and every effect drawing a real frame through its workers (under
// ThreadSanitizer this is the race check of the whole show).

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <set>
#include <thread>
#include <utility>
#include <vector>

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

TEST(bands, every_row_is_drawn_exactly_once_with_any_number_of_workers) {
    for (int threads : {0, 1, 2, 3, 4}) {
        band_workers workers(threads);
        ASSERT_EQ(workers.thread_count(), threads);
        for (band_layout layout : {band_layout::full_resolution, band_layout::half_resolution}) {
            const int rows = layout == band_layout::full_resolution ? 240 : 120;
            for (int frame = 0; frame < 50; ++frame) {
                std::vector<int> drawn(rows, 0);
                auto render = [&](int first_row, int end_row) {
                    for (int row = first_row; row < end_row; ++row) ++drawn[row];  // bands are disjoint
                };
                workers.run(layout, render);
                for (int row = 0; row < rows; ++row) ASSERT_EQ(drawn[row], 1) << threads << " " << row;
            }
        }
    }
}

TEST(bands, without_workers_the_caller_draws_the_bands_in_order) {
    band_workers workers(0);
    std::vector<std::pair<int, int>> bands;
    std::set<std::thread::id> drawers;
    auto render = [&](int first_row, int end_row) {
        bands.emplace_back(first_row, end_row);
        drawers.insert(std::this_thread::get_id());
    };
    workers.run(band_layout::half_resolution, render);
    const std::vector<std::pair<int, int>> expected = {{0, 30}, {30, 60}, {60, 90}, {90, 120}};
    EXPECT_EQ(bands, expected);
    EXPECT_EQ(drawers, std::set<std::thread::id>{std::this_thread::get_id()});
}

TEST(bands, the_worker_count_is_clamped_to_one_per_band) {
    EXPECT_EQ(band_workers(-1).thread_count(), 0);
    EXPECT_EQ(band_workers(5).thread_count(), 4);
    // The desktop: one worker per band.
    EXPECT_EQ(band_workers::default_thread_count(), 4);
    EXPECT_EQ(band_workers().thread_count(), 4);
}

TEST(bands, with_a_worker_for_every_band_the_caller_draws_none) {
    band_workers workers(4);
    std::mutex guard;
    std::set<std::thread::id> drawers;
    auto render = [&](int, int) {
        std::lock_guard<std::mutex> lock(guard);
        drawers.insert(std::this_thread::get_id());
    };
    for (int frame = 0; frame < 50; ++frame) workers.run(band_layout::full_resolution, render);
    EXPECT_EQ(drawers.count(std::this_thread::get_id()), 0u);
    EXPECT_GE(drawers.size(), 1u);
}

TEST(bands, with_three_workers_the_four_bands_are_drawn_at_once_one_by_the_caller) {
    band_workers workers(3);
    for (int frame = 0; frame < 20; ++frame) {
        // Every band waits until all four are being drawn: that can only end
        // when four threads hold one band each.
        std::mutex guard;
        std::condition_variable all_in;
        int in_progress = 0;
        bool timed_out = false;
        std::set<std::thread::id> drawers;
        auto render = [&](int, int) {
            std::unique_lock<std::mutex> lock(guard);
            drawers.insert(std::this_thread::get_id());
            ++in_progress;
            all_in.notify_all();
            if (!all_in.wait_for(lock, std::chrono::seconds(30), [&] { return in_progress == 4; })) {
                timed_out = true;
            }
        };
        workers.run(band_layout::full_resolution, render);
        ASSERT_FALSE(timed_out);
        EXPECT_EQ(drawers.size(), 4u);
        EXPECT_EQ(drawers.count(std::this_thread::get_id()), 1u);
    }
}

TEST(bands, all_four_bands_have_finished_when_run_returns) {
    for (int threads : {1, 3, 4}) {
        band_workers workers(threads);
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
}

TEST(bands, the_same_threads_draw_every_frame) {
    band_workers workers(3);
    std::set<std::thread::id> seen;
    std::mutex guard;
    auto render = [&](int, int) {
        std::lock_guard<std::mutex> lock(guard);
        seen.insert(std::this_thread::get_id());
    };
    for (int frame = 0; frame < 100; ++frame) workers.run(band_layout::full_resolution, render);
    EXPECT_GE(seen.size(), 1u);
    EXPECT_LE(seen.size(), 4u);  // the caller and the three workers, never a new thread
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
