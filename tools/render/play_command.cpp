// play: the real-time show in a window with the music, from a chosen moment.
//
// Before the first frame every effect is advanced through the frames of a
// 60 frames-per-second run before that moment, as the frame command does, and
// the music is seeked there; application time then starts at the moment's
// milliseconds and grows with the wall clock. What the window shows is
// therefore what a viewer of the whole show sees at that moment. Escape, a
// left click or closing the window end it, as in the show.

#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>

#include "app/offline_show.h"
#include "core/window_system.h"
#include "tools/render/commands.h"
#include "tools/render/show_data.h"
#include "tools/render/tool_error.h"

namespace {

constexpr int preparation_fps = 60;

// "640x480" as two whole numbers.
void parse_size(const std::string& text, int& width, int& height) {
    const size_t x = text.find('x');
    const std::string problem = "bad size for --windowed: '" + text + "' (WIDTHxHEIGHT, e.g. 960x720)";
    if (x == std::string::npos) throw tool_error(exit_usage, problem);
    try {
        width = parse_whole("--windowed", text.substr(0, x), 64, 16384);
        height = parse_whole("--windowed", text.substr(x + 1), 48, 16384);
    } catch (const tool_error&) {
        throw tool_error(exit_usage, problem);
    }
}

}  // namespace

int run_play_command(const std::vector<std::string>& args) {
    const options opts(args, {{"from", true, false}, {"windowed", true, false}, {"data", true, false}});
    const double from = opts.number("from", 0.0);
    const int64_t first = frame_of_position("--from", opts.value("from"), from, preparation_fps);
    int width = 0;
    int height = 0;
    if (opts.has("windowed")) parse_size(opts.value("windowed"), width, height);

    enter_data_folder(opts);
    const std::uintmax_t log_size = app_log_size();
    vdk::core::window_system* window = nullptr;
    std::unique_ptr<my_app> app;
    {
        auto desktop = width > 0 ? vdk::core::make_windowed_desktop_window(width, height)
                                 : vdk::core::make_desktop_window();
        window = desktop.get();
        app = std::make_unique<my_app>(std::move(desktop));  // the sound card, or silent
    }
    app->app_logger.write("Initializing the application.", vdk::core::info);
    if (app->create(show_title, screen_width, screen_height) != 0) {
        const std::string errors = logged_errors_since(log_size);
        throw tool_error(exit_failed, "the show could not open its window or set itself up" +
                                          (errors.empty() ? std::string() : ": " + errors));
    }
    if (!app->music_loaded) {
        throw tool_error(exit_failed, std::string("the music could not be loaded: ") + music_path);
    }
    offline_show::advance_frames(*app, preparation_fps, 0, first);
    const double start_s = offline_show::position_of(first, preparation_fps);
    app->player.seek(app->music, start_s);
    const auto start_ms = static_cast<int64_t>(std::floor(start_s * 1000.0));
    std::fprintf(stderr, "playing from %.3f s (%s); Escape or a left click ends it\n", start_s,
                 app->effect_name(app->effect_at(start_s)));

    // The show's main loop, with the application time moved to the start.
    const auto first_frame = std::chrono::steady_clock::now();
    while (!app->quitting()) {
        const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now() - first_frame);
        app->on_frame(static_cast<float>(start_ms + elapsed.count()));
        app->present();
        window->handle_one_message();
    }
    app->app_logger.write("Closing the app", vdk::core::info);
    app->close();
    return app->display_lost() ? vdk::core::exit_display_lost : exit_ok;
}
