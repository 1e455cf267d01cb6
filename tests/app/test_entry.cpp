// The entry sequence, the main loop and closing, on the headless window.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "app/my_app.h"
#include "core/window_headless.h"
#include "support/test_support.h"

using vdk::core::input_event;
using vdk::test::read_lines;

namespace {

// A window system that cannot open a window.
class refused_window : public vdk::core::window_system {
public:
    bool open(const std::string&, int, int, vdk::core::window_listener*) override { return false; }
    std::string failure_reason() const override { return "no display"; }
    void client_size(int& w, int& h) const override { w = h = 0; }
    void present(const uint32_t*, int, int, int, int) override {}
    void show_cursor(bool) override {}
    void disable_screen_saver() override {}
    void handle_one_message() override {}
    void destroy() override {}
};

// The message part of each line of app.log.
std::vector<std::string> logged_messages() {
    std::vector<std::string> messages;
    for (const std::string& line : read_lines("app.log")) {
        const size_t start = line.find("]] ");
        messages.push_back(start == std::string::npos ? line : line.substr(start + 3));
    }
    return messages;
}

bool logged(const std::string& message) {
    const auto messages = logged_messages();
    return std::find(messages.begin(), messages.end(), message) != messages.end();
}

input_event key(int code) { return {vdk::core::key_pressed, 0, code, 0, 0}; }
input_event click(int button) { return {vdk::core::mouse_pressed, button, 0, 10, 20}; }

struct headless_show {
    vdk::test::scoped_work_dir dir{vdk::test::show_data_available()};
    vdk::core::headless_window* window;
    std::unique_ptr<my_app> app;

    headless_show() {
        auto w = std::make_unique<vdk::core::headless_window>(1920, 1080);
        window = w.get();
        app = std::make_unique<my_app>(std::move(w), std::make_unique<vdk::core::scripted_output>());
    }
};

}  // namespace

TEST(entry, escape_ends_the_show_with_the_closing_lines) {
    headless_show show;
    if (!vdk::test::show_data_available()) GTEST_SKIP() << "needs the generated data";
    show.window->queue_input(key(vdk::core::escape_key));
    EXPECT_EQ(run_show(*show.app), 0);
    const auto messages = logged_messages();
    ASSERT_GE(messages.size(), 6u);
    EXPECT_EQ(messages[0], "Initializing the application.");
    EXPECT_EQ(messages[1], "app_gdi::create/started");
    EXPECT_EQ(messages[2], "app_gdi::create finished");
    EXPECT_EQ(messages[3], "BASS Sound Player initialization...");
    EXPECT_TRUE(logged("Main Renderer Window created."));
    EXPECT_TRUE(logged("app_gdi::run started"));
    EXPECT_EQ(messages[messages.size() - 2], "app_gdi::run finished");
    EXPECT_EQ(messages.back(), "Closing the app");
    EXPECT_FALSE(show.window->is_open());
    EXPECT_FALSE(show.window->cursor_visible());
    EXPECT_EQ(show.app->client_width(), 1920);
}

TEST(entry, ten_queued_messages_take_ten_frames_and_only_escape_or_left_click_close) {
    headless_show show;
    if (!vdk::test::show_data_available()) GTEST_SKIP() << "needs the generated data";
    for (int i = 0; i < 3; ++i) show.window->queue_input(click(vdk::core::right_button));
    for (int code : {int{'A'}, int{'0'}, 0x20, 0x0D, 0x70, 0x25}) show.window->queue_input(key(code));
    show.window->queue_input(click(vdk::core::left_button));
    EXPECT_EQ(run_show(*show.app), 0);
    EXPECT_EQ(show.window->presented_frames(), 10);
    EXPECT_EQ(show.window->queued_messages(), 0u);
}

TEST(entry, closing_the_window_reaches_close) {
    headless_show show;
    if (!vdk::test::show_data_available()) GTEST_SKIP() << "needs the generated data";
    show.window->queue_close();
    EXPECT_EQ(run_show(*show.app), 0);
    EXPECT_TRUE(show.app->quitting());
    EXPECT_EQ(logged_messages().back(), "Closing the app");
}

TEST(entry, a_window_that_cannot_open_ends_the_program_before_the_loop) {
    vdk::test::scoped_work_dir dir;
    my_app app(std::make_unique<refused_window>(), std::make_unique<vdk::core::scripted_output>());
    EXPECT_EQ(run_show(app), 0);
    EXPECT_TRUE(logged("D2D_CreateWindow failed "));
    EXPECT_FALSE(logged("Main Renderer Window created."));
    EXPECT_FALSE(logged("app_gdi::run started"));
    EXPECT_FALSE(logged("BASS Sound Player initialization..."));
}

TEST(entry, a_missing_picture_ends_the_program_before_the_loop) {
    vdk::test::scoped_work_dir empty;  // no pictures, no music
    auto w = std::make_unique<vdk::core::headless_window>();
    vdk::core::headless_window* window = w.get();
    my_app app(std::move(w), std::make_unique<vdk::core::scripted_output>());
    window->queue_input(key(vdk::core::escape_key));  // ends the loop should set-up succeed
    EXPECT_EQ(run_show(app), 0);
    EXPECT_TRUE(logged("Audio Stream failed to load: ./music/KR_VAULT-X2.mp3"));
    EXPECT_FALSE(logged("Main Renderer Window created."));
    EXPECT_FALSE(logged("app_gdi::run started"));
    EXPECT_TRUE(logged("Effect_Intro_Lens failed to initialize itself"));
    // Set-up failure does not close; the window goes with the application.
    EXPECT_TRUE(window->is_open());
}

TEST(entry, close_acts_once) {
    vdk::test::scoped_work_dir dir;
    auto w = std::make_unique<vdk::core::headless_window>();
    vdk::core::headless_window* window = w.get();
    my_app app(std::move(w), std::make_unique<vdk::core::scripted_output>());
    app.create(show_title, screen_width, screen_height);
    ASSERT_NE(app.pixels(), nullptr);
    EXPECT_EQ(app.close(), 0);
    EXPECT_TRUE(app.quitting());
    EXPECT_EQ(app.pixels(), nullptr);
    EXPECT_FALSE(window->is_open());
    EXPECT_EQ(app.close(), 0);
    EXPECT_EQ(app.present(), 0);  // nothing to show, must not fail
    EXPECT_EQ(app.clear(0xFF, 0, 0, 0), 0);
}

TEST(entry, application_time_starts_at_zero_and_never_runs_backwards) {
    vdk::test::scoped_work_dir dir;
    my_app app(std::make_unique<vdk::core::headless_window>(),
               std::make_unique<vdk::core::scripted_output>());
    EXPECT_EQ(app.next_frame_time(), 0.0f);
    float previous = 0.0f;
    for (int i = 0; i < 1000; ++i) {
        const float now = app.next_frame_time();
        EXPECT_GE(now, previous);
        EXPECT_EQ(now, std::floor(now));  // whole milliseconds
        previous = now;
    }
}
