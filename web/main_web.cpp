// The show's entry in a web page. The browser owns the event loop, so the
// page calls in: vdk_start builds the show and runs its main loop one pass
// per animation frame, until the show closes; the page's test interface draws
// single frames of the deterministic run (as the render tool's frame command)
// and runs the render tool's benchmark.
//
// The data package is mounted at /show, the show's working directory; its
// app.log is a device that writes every line to the browser's console.

#include <emscripten/emscripten.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "app/my_app.h"
#include "app/offline_show.h"
#include "core/web_tracks.h"
#include "tools/render/commands.h"
#include "tools/render/tool_error.h"

namespace {

const char* const data_folder = "/show";
constexpr int run_fps = 60;

std::unique_ptr<my_app> live_show;           // the show started from the page
double last_position = 0.0;                  // its position when it ended
std::unique_ptr<offline_show> frame_source;  // reused while frames ascend

// app.log in the data folder becomes a character device whose lines go to
// the console (errors as errors).
EM_JS(void, vdk_web_log_to_console, (const char* folder), {
    const path = UTF8ToString(folder) + '/app.log';
    const device = FS.makedev(64, 0);
    let pending = "";
    const decoder = new TextDecoder();
    FS.registerDevice(device, {
        open: stream => {},
        close: stream => {},
        llseek: (stream, offset, whence) => 0,
        write: (stream, buffer, offset, length) => {
            pending += decoder.decode(buffer.slice(offset, offset + length));
            let end;
            while ((end = pending.indexOf('\n')) >= 0) {
                const line = pending.slice(0, end);
                pending = pending.slice(end + 1);
                if (line.indexOf('][ERROR]]') >= 0) console.error(line); else console.log(line);
            }
            return length;
        },
    });
    try { FS.unlink(path); } catch (e) {}
    FS.mkdev(path, device);
});

EM_JS(void, vdk_web_show_ended, (double position), {
    if (Module.vdkShowEnded) Module.vdkShowEnded(position);
});

// Hands a copy of the RGBA frame to the page.
EM_JS(void, vdk_web_take_frame, (const unsigned char* rgba, int bytes), {
    Module.vdkFrameResult = new Uint8Array(HEAPU8.subarray(rgba, rgba + bytes));
});

EM_JS(void, vdk_web_take_text, (const char* text), {
    Module.vdkTextResult = UTF8ToString(text);
});

void show_step() {
    if (live_show->run_step()) return;
    emscripten_cancel_main_loop();
    last_position = live_show->player.position(live_show->music);
    live_show->app_logger.write("Closing the app", vdk::core::info);
    live_show->close();
    live_show.reset();
    vdk_web_show_ended(last_position);
}

std::string read_file(const char* path) {
    std::string text;
    if (std::FILE* file = std::fopen(path, "rb")) {
        char chunk[4096];
        size_t got = 0;
        while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) text.append(chunk, got);
        std::fclose(file);
    }
    return text;
}

}  // namespace

int main() {
    if (chdir(data_folder) != 0) {
        std::fprintf(stderr, "no data folder %s\n", data_folder);
        return 0;
    }
    vdk_web_log_to_console(data_folder);
    return 0;
}

extern "C" {

// The key under which the page files the decoded music track.
EMSCRIPTEN_KEEPALIVE const char* vdk_music_key() {
    static const std::string key = vdk::core::web_track_key(music_path);
    return key.c_str();
}

// Starts the show as the desktop entry does, its main loop driven by the
// browser's animation frames: 0, or -1 when it did not start (the reason is
// in the log). The page hears of the end through Module.vdkShowEnded.
EMSCRIPTEN_KEEPALIVE int vdk_start() {
    if (live_show) return -1;
    live_show = std::make_unique<my_app>();
    live_show->app_logger.write("Initializing the application.", vdk::core::info);
    if (live_show->create(show_title, screen_width, screen_height) != 0) {
        live_show.reset();
        return -1;
    }
    live_show->app_logger.write("Main Renderer Window created.", vdk::core::info);
    live_show->begin_run();
    last_position = 0.0;
    emscripten_set_main_loop(show_step, 0, 0);
    return 0;
}

// The music position of the running show in seconds; after the end, the
// position it ended at.
EMSCRIPTEN_KEEPALIVE double vdk_position() {
    if (!live_show) return last_position;
    const double position = live_show->player.position(live_show->music);
    return position < 0 ? 0.0 : position;
}

// Frame n of a 60 fps run with deterministic time, as RGBA (opaque), top row
// first, into Module.vdkFrameResult: 0, or -1 when it cannot be drawn.
EMSCRIPTEN_KEEPALIVE int vdk_frame(double n) {
    const auto frame = static_cast<int64_t>(n);
    if (!(n >= 0) || static_cast<double>(frame) != n ||
        offline_show::position_of(frame, run_fps) >= show_end_seconds) {
        return -1;
    }
    if (!frame_source || frame_source->next_frame() > frame) {
        frame_source.reset();
        auto show = std::make_unique<offline_show>(run_fps);
        if (!show->open()) return -1;
        frame_source = std::move(show);
    }
    const uint32_t* pixels = frame_source->render(frame);
    if (pixels == nullptr) return -1;
    const size_t count = static_cast<size_t>(screen_width) * screen_height;
    std::vector<unsigned char> rgba(count * 4);
    for (size_t i = 0; i < count; ++i) {
        rgba[4 * i] = static_cast<unsigned char>(pixels[i] >> 16);
        rgba[4 * i + 1] = static_cast<unsigned char>(pixels[i] >> 8);
        rgba[4 * i + 2] = static_cast<unsigned char>(pixels[i]);
        rgba[4 * i + 3] = 0xFF;
    }
    vdk_web_take_frame(rgba.data(), static_cast<int>(rgba.size()));
    return 0;
}

// The render tool's benchmark with n frames per effect, its JSON into
// Module.vdkTextResult: 0, or -1 with the error line there instead.
EMSCRIPTEN_KEEPALIVE int vdk_bench(int frames) {
    const char* const capture = "/tmp/bench.json";
    std::fflush(stdout);
    const int saved = dup(STDOUT_FILENO);
    const int out = open(capture, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (saved < 0 || out < 0) {
        vdk_web_take_text("cannot capture the benchmark's output");
        return -1;
    }
    dup2(out, STDOUT_FILENO);
    close(out);
    int result = 0;
    std::string error;
    try {
        run_bench_command({"--frames", std::to_string(frames), "--json"});
    } catch (const tool_error& e) {
        error = e.what();
        result = -1;
    }
    std::fflush(stdout);
    dup2(saved, STDOUT_FILENO);
    close(saved);
    if (chdir(data_folder) != 0) result = -1;
    vdk_web_take_text(result == 0 ? read_file(capture).c_str() : error.c_str());
    return result;
}

}  // extern "C"
