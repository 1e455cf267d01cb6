// frame: single frames of a 60 (or --fps) frames-per-second run as PNG files.
// The frames are drawn in ascending order by one offline show, which only
// advances the effects through the frames in between, so each frame is the
// one a sequential render would draw.

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "tools/render/commands.h"
#include "tools/render/interrupt.h"
#include "tools/render/png_file.h"
#include "tools/render/show_data.h"
#include "tools/render/tool_error.h"

namespace fs = std::filesystem;

namespace {

struct frame_job {
    int64_t frame;
    fs::path path;
};

std::string frame_file_name(int64_t frame) {
    char name[32];
    std::snprintf(name, sizeof name, "frame_%06lld.png", static_cast<long long>(frame));
    return name;
}

}  // namespace

int run_frame_command(const std::vector<std::string>& args) {
    const options opts(args, {{"at", true, true},
                              {"fps", true, false},
                              {"scale", true, false},
                              {"out", true, false},
                              {"data", true, false}});
    const std::vector<std::string> positions = opts.values("at");
    if (positions.empty()) throw tool_error(exit_usage, "frame needs --at SECONDS");
    const int fps = opts.whole("fps", 60, 1, 1000);
    const int scale = opts.whole("scale", 1, 1, 16);

    std::vector<int64_t> frames;
    for (const std::string& text : positions) {
        frames.push_back(frame_of_position("--at", text, parse_number("--at", text), fps));
    }
    std::sort(frames.begin(), frames.end());
    frames.erase(std::unique(frames.begin(), frames.end()), frames.end());

    // One --at names a file (or a folder to put it in, when it is one or ends
    // in '/'); several name a folder, made when missing.
    std::vector<frame_job> jobs;
    const std::string out_text = opts.value("out");
    const fs::path out = opts.has("out") ? output_path(out_text) : fs::current_path();
    std::error_code error;
    const bool into_folder = positions.size() > 1 || fs::is_directory(out, error) ||
                             (!out_text.empty() && out_text.back() == '/');
    fs::path folder;
    if (into_folder) {
        folder = out;
        for (const int64_t frame : frames) jobs.push_back({frame, out / frame_file_name(frame)});
    } else {
        folder = out.parent_path();
        jobs.push_back({frames.front(), out});
    }

    enter_data_folder(opts);
    if (into_folder && !fs::exists(folder, error)) {
        fs::create_directories(folder, error);
        if (error) {
            throw tool_error(exit_unwritable, "cannot write '" + folder.string() + "': " + error.message());
        }
    }
    check_writable_folder(folder, jobs.front().path);
    catch_interrupts();
    const auto show = open_offline_show(fps);

    for (const frame_job& job : jobs) {
        if (interrupted()) throw tool_error(exit_interrupted, "interrupted");
        const uint32_t* pixels = show->render(job.frame);
        if (pixels == nullptr) {
            throw tool_error(exit_failed, "frame " + std::to_string(job.frame) + " could not be drawn");
        }
        const std::string reason =
            write_rgb_png(job.path, pixels, screen_width, screen_height, scale);
        if (!reason.empty()) {
            throw tool_error(exit_unwritable, "cannot write '" + job.path.string() + "': " + reason);
        }
        const double t = offline_show::position_of(job.frame, fps);
        std::printf("frame %lld (%.3f s, %s) -> %s\n", static_cast<long long>(job.frame), t,
                    show->app().effect_name(show->app().effect_at(t)), job.path.string().c_str());
        std::fflush(stdout);
    }
    return exit_ok;
}
