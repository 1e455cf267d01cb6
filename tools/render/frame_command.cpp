// frame: single frames of a 60 (or --fps) frames-per-second run as PNG files.
// The frames are drawn in ascending order by one offline show, which only
// advances the effects through the frames in between, so each frame is the
// one a sequential render would draw. --letterbox WxH puts the picture,
// nearest neighbour and with its own shape, as large as it fits and centred
// on a black W x H image (a still for a link's preview card).

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "tools/render/commands.h"
#include "tools/render/interrupt.h"
#include "tools/render/options.h"
#include "tools/render/png_file.h"
#include "tools/render/show_data.h"
#include "tools/render/tool_error.h"

namespace fs = std::filesystem;

namespace {

struct frame_job {
    int64_t frame;
    fs::path path;
};

// "WxH" as two whole numbers in [16, 8192].
void parse_size(const std::string& text, int& width, int& height) {
    const size_t cross = text.find('x');
    if (cross == std::string::npos) {
        throw tool_error(exit_usage, "bad size for --letterbox: '" + text + "' (WIDTHxHEIGHT)");
    }
    width = parse_whole("--letterbox", text.substr(0, cross), 16, 8192);
    height = parse_whole("--letterbox", text.substr(cross + 1), 16, 8192);
}

// The width x height picture as large as it fits into out_width x
// out_height with its own aspect ratio, centred, nearest neighbour, on black.
std::vector<uint32_t> letterbox(const uint32_t* pixels, int width, int height, int out_width,
                                int out_height) {
    // The fitted rectangle: the full width unless that makes it too tall.
    int64_t inner_width = out_width;
    int64_t inner_height = (static_cast<int64_t>(out_width) * height + width / 2) / width;
    if (inner_height > out_height) {
        inner_height = out_height;
        inner_width = (static_cast<int64_t>(out_height) * width + height / 2) / height;
    }
    inner_width = std::max<int64_t>(inner_width, 1);
    inner_height = std::max<int64_t>(inner_height, 1);
    const int64_t left = (out_width - inner_width) / 2;
    const int64_t top = (out_height - inner_height) / 2;
    std::vector<uint32_t> out(static_cast<size_t>(out_width) * out_height, 0xFF000000u);
    // Each output pixel takes the source pixel under its centre, so the
    // first and last rows and columns reach the picture's edges both ways.
    for (int64_t y = 0; y < inner_height; ++y) {
        const int64_t source_y = (2 * y + 1) * height / (2 * inner_height);
        const uint32_t* source = pixels + static_cast<size_t>(source_y) * width;
        uint32_t* row = out.data() + static_cast<size_t>(top + y) * out_width + left;
        for (int64_t x = 0; x < inner_width; ++x) row[x] = source[(2 * x + 1) * width / (2 * inner_width)];
    }
    return out;
}

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
                              {"letterbox", true, false},
                              {"out", true, false},
                              {"data", true, false}});
    const std::vector<std::string> positions = opts.values("at");
    if (positions.empty()) throw tool_error(exit_usage, "frame needs --at SECONDS");
    const int fps = opts.whole("fps", 60, 1, 1000);
    const int scale = opts.whole("scale", 1, 1, 16);
    int box_width = 0;
    int box_height = 0;
    if (opts.has("letterbox")) {
        if (opts.has("scale")) throw tool_error(exit_usage, "--letterbox and --scale exclude each other");
        parse_size(opts.value("letterbox"), box_width, box_height);
    }

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
        std::string reason;
        if (box_width > 0) {
            const std::vector<uint32_t> boxed =
                letterbox(pixels, screen_width, screen_height, box_width, box_height);
            reason = write_rgb_png(job.path, boxed.data(), box_width, box_height, 1);
        } else {
            reason = write_rgb_png(job.path, pixels, screen_width, screen_height, scale);
        }
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
