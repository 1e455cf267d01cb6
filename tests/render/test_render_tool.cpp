// The render tool run as a program: its one-line errors and exit codes,
// frames drawn after jumps against a sequential render, the scaled PNG, a
// short video, a failing or interrupted encoder, and the benchmark's JSON;
// and the pieces it is built from (number parsing, effect stretches, frame
// sampling, JSON). Tests that need the generated data skip without it.

#include <gtest/gtest.h>
#include <png.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "app/offline_show.h"
#include "support/test_support.h"
#include "tools/render/bench.h"
#include "tools/render/json.h"
#include "tools/render/options.h"
#include "tools/render/tool_error.h"

extern char** environ;

namespace fs = std::filesystem;

namespace {

struct tool_run {
    int code = -1;
    std::string out;
    std::string err;
};

// The tool as a child process, its output captured in files.
class tool_process {
public:
    // env_changes: "NAME=value" replaces NAME, "NAME" alone removes it.
    tool_process(const std::vector<std::string>& args, const std::vector<std::string>& env_changes = {}) {
        char folder[] = "/tmp/veldrakin-render-run-XXXXXX";
        if (mkdtemp(folder) == nullptr) throw std::runtime_error("mkdtemp");
        folder_ = folder;
        std::vector<std::string> env;
        for (char** e = environ; *e != nullptr; ++e) {
            const std::string entry = *e;
            const std::string name = entry.substr(0, entry.find('='));
            bool changed = false;
            for (const std::string& c : env_changes) changed |= c.substr(0, c.find('=')) == name;
            if (!changed) env.push_back(entry);
        }
        for (const std::string& c : env_changes) {
            if (c.find('=') != std::string::npos) env.push_back(c);
        }
        std::vector<char*> argv{const_cast<char*>(VDK_RENDER_TOOL)};
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        std::vector<char*> envp;
        for (std::string& e : env) envp.push_back(e.data());
        envp.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        const std::string out = (folder_ / "out").string();
        const std::string err = (folder_ / "err").string();
        posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int spawned = posix_spawn(&pid_, VDK_RENDER_TOOL, &actions, nullptr, argv.data(), envp.data());
        posix_spawn_file_actions_destroy(&actions);
        if (spawned != 0) throw std::runtime_error("cannot start " VDK_RENDER_TOOL);
    }

    ~tool_process() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }

    pid_t pid() const { return pid_; }
    std::string err_so_far() const { return vdk::test::read_file(folder_ / "err"); }

    tool_run wait() {
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
        tool_run run;
        run.code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        run.out = vdk::test::read_file(folder_ / "out");
        run.err = vdk::test::read_file(folder_ / "err");
        return run;
    }

private:
    fs::path folder_;
    pid_t pid_ = -1;
};

tool_run run_tool(const std::vector<std::string>& args, const std::vector<std::string>& env = {}) {
    return tool_process(args, env).wait();
}

// The tool failed with exactly one line on standard error holding the text.
void expect_failure(const std::vector<std::string>& args, int code, const std::string& text) {
    const tool_run run = run_tool(args);
    std::string command;
    for (const std::string& a : args) command += a + " ";
    EXPECT_EQ(run.code, code) << command << "\n" << run.err;
    EXPECT_NE(run.err.find(text), std::string::npos) << command << "\nstderr: " << run.err;
    EXPECT_EQ(run.err.rfind("veldrakin-render: ", 0), 0u) << command << "\n" << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << command << "\n" << run.err;
}

// A folder that passes the data check (the files are empty): for error cases
// found before the show is set up.
struct fake_data_folder {
    vdk::test::scoped_work_dir work;
    fake_data_folder() {
        fs::create_directories(work.path() / "music");
        fs::create_directories(work.path() / "_glimmerock");
        std::ofstream(work.path() / "music" / "KR_VAULT-X2.mp3").put('\0');
    }
    std::string path() const { return work.path().string(); }
};

std::vector<std::string> files_in(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// A PNG as 0x00RRGGBB pixels, top row first, read with libpng's simplified
// reader (the show's loader turns RGB files upside down, as the show expects).
std::vector<uint32_t> load_rgb(const fs::path& file, int& width, int& height) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, file.c_str())) return {};
    image.format = PNG_FORMAT_RGB;
    std::vector<png_byte> bytes(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, bytes.data(), 0, nullptr)) return {};
    width = static_cast<int>(image.width);
    height = static_cast<int>(image.height);
    std::vector<uint32_t> rgb(static_cast<size_t>(width) * height);
    for (size_t i = 0; i < rgb.size(); ++i) {
        rgb[i] = static_cast<uint32_t>(bytes[3 * i]) << 16 | static_cast<uint32_t>(bytes[3 * i + 1]) << 8 |
                 bytes[3 * i + 2];
    }
    return rgb;
}

std::vector<uint32_t> rgb_of(const uint32_t* pixels) {
    std::vector<uint32_t> rgb(pixels, pixels + screen_width * screen_height);
    for (uint32_t& v : rgb) v &= 0x00FFFFFFu;
    return rgb;
}

std::string frame_name(int64_t frame) {
    char name[32];
    std::snprintf(name, sizeof name, "frame_%06lld.png", static_cast<long long>(frame));
    return name;
}

bool program_on_path(const std::string& name) {
    return std::system(("command -v " + name + " >/dev/null 2>&1").c_str()) == 0;
}

std::string command_output(const std::string& command) {
    std::string text;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char chunk[4096];
        size_t n;
        while ((n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0) text.append(chunk, n);
        pclose(pipe);
    }
    return text;
}

#define REQUIRE_SHOW_DATA()                                                                  \
    if (!vdk::test::show_data_available()) GTEST_SKIP() << "no generated data in "           \
                                                        << vdk::test::show_data_dir()

}  // namespace

// ---- Error cases: no data needed ----

TEST(render_tool_errors, missing_data_folder) {
    expect_failure({"frame", "--at", "1", "--data", "/nonexistent/show"}, exit_no_data,
                   "data folder '/nonexistent/show' does not exist");
    vdk::test::scoped_work_dir empty;
    const std::string folder = empty.path().string();
    expect_failure({"frame", "--at", "1", "--data", folder}, exit_no_data, "no show data in");
    expect_failure({"frame", "--at", "1"}, exit_no_data, "music/KR_VAULT-X2.mp3 is missing");
    expect_failure({"video", "--out", "v.mp4", "--data", folder}, exit_no_data, "no show data in");
    expect_failure({"bench", "--data", folder}, exit_no_data, "no show data in");
    expect_failure({"play", "--from", "10", "--data", folder}, exit_no_data, "no show data in");
    fs::create_directory(empty.path() / "music");
    std::ofstream(empty.path() / "music" / "KR_VAULT-X2.mp3").put('\0');
    expect_failure({"frame", "--at", "1", "--data", folder}, exit_no_data, "_glimmerock is missing");
    EXPECT_EQ(files_in(empty.path()), std::vector<std::string>{"music"});
}

TEST(render_tool_errors, bad_numbers) {
    expect_failure({"frame", "--at", "abc"}, exit_usage, "bad number for --at: 'abc'");
    expect_failure({"frame", "--at", "12s"}, exit_usage, "bad number for --at: '12s'");
    expect_failure({"frame", "--at", "nan"}, exit_usage, "bad number for --at: 'nan'");
    expect_failure({"frame", "--at", "inf"}, exit_usage, "bad number for --at: 'inf'");
    expect_failure({"frame", "--at", ""}, exit_usage, "bad number for --at: ''");
    expect_failure({"frame", "--at", "1", "--fps", "0"}, exit_usage, "bad number for --fps: '0'");
    expect_failure({"frame", "--at", "1", "--fps", "29.97"}, exit_usage, "bad number for --fps");
    expect_failure({"frame", "--at", "1", "--scale", "x2"}, exit_usage, "bad number for --scale");
    expect_failure({"video", "--out", "v.mp4", "--from", "1e"}, exit_usage, "bad number for --from");
    expect_failure({"video", "--out", "v.mp4", "--to", "ten"}, exit_usage, "bad number for --to");
    expect_failure({"bench", "--frames", "-3"}, exit_usage, "bad number for --frames");
    expect_failure({"play", "--from", "0x10"}, exit_usage, "bad number for --from");
    expect_failure({"play", "--windowed", "640"}, exit_usage, "bad size for --windowed: '640'");
    expect_failure({"play", "--windowed", "640xbig"}, exit_usage, "bad size for --windowed");
}

TEST(render_tool_errors, positions_outside_the_show) {
    expect_failure({"frame", "--at", "298"}, exit_usage, "--at 298: position outside [0, 298) s");
    expect_failure({"frame", "--at", "-0.001"}, exit_usage, "position outside [0, 298)");
    expect_failure({"frame", "--at", "1e9"}, exit_usage, "position outside [0, 298)");
    // Inside, but the nearest frame at 60 fps is the one at 298 s.
    expect_failure({"frame", "--at", "297.999"}, exit_usage, "once rounded to frame 17880");
    expect_failure({"frame", "--at", "10", "--at", "300"}, exit_usage, "--at 300: position outside");
    expect_failure({"video", "--out", "v.mp4", "--from", "298"}, exit_usage, "--from 298: position outside");
    expect_failure({"video", "--out", "v.mp4", "--to", "298.5"}, exit_usage, "--to 298.5: position outside");
    expect_failure({"video", "--out", "v.mp4", "--from", "20", "--to", "20"}, exit_usage, "no frame in between");
    expect_failure({"play", "--from", "-1"}, exit_usage, "--from -1: position outside");
}

TEST(render_tool_errors, unwritable_output_leaves_nothing) {
    fake_data_folder data;
    const fs::path blocker = data.work.path() / "a-file";
    std::ofstream(blocker) << "not a folder";
    const std::vector<std::string> before = files_in(data.work.path());
    expect_failure({"frame", "--at", "1", "--data", data.path(), "--out", (blocker / "f.png").string()},
                   exit_unwritable, "cannot write '" + (blocker / "f.png").string() + "'");
    expect_failure({"frame", "--at", "1", "--data", data.path(), "--out",
                    (data.work.path() / "no-such-folder" / "f.png").string()},
                   exit_unwritable, "does not exist");
    expect_failure({"frame", "--at", "1", "--at", "2", "--data", data.path(), "--out", (blocker / "frames").string()},
                   exit_unwritable, "cannot write");
    expect_failure({"video", "--data", data.path(), "--out", (blocker / "v.mp4").string()}, exit_unwritable,
                   "cannot write '" + (blocker / "v.mp4").string() + "'");
    EXPECT_EQ(files_in(data.work.path()), before);
}

TEST(render_tool_errors, usage) {
    const tool_run bare = run_tool({});
    EXPECT_EQ(bare.code, exit_usage);
    EXPECT_NE(bare.err.find("usage: veldrakin-render"), std::string::npos);
    const tool_run help = run_tool({"help"});
    EXPECT_EQ(help.code, exit_ok);
    EXPECT_NE(help.out.find("frame --at SECONDS"), std::string::npos);
    expect_failure({"render"}, exit_usage, "unknown command 'render'");
    expect_failure({"frame", "--at", "1", "--size", "2"}, exit_usage, "unknown option --size");
    expect_failure({"frame", "--at"}, exit_usage, "--at needs a value");
    expect_failure({"frame"}, exit_usage, "frame needs --at SECONDS");
    expect_failure({"frame", "--at", "1", "--fps", "30", "--fps", "60"}, exit_usage, "--fps given more than once");
    expect_failure({"frame", "--at", "1", "stray"}, exit_usage, "unexpected argument 'stray'");
    expect_failure({"video"}, exit_usage, "video needs --out FILE.mp4");
    expect_failure({"bench", "--json=yes"}, exit_usage, "--json takes no value");
}

TEST(render_tool_errors, unreadable_baseline) {
    vdk::test::scoped_work_dir work;
    expect_failure({"bench", "--baseline-json", "/nonexistent/base.json"}, exit_usage,
                   "cannot read baseline JSON '/nonexistent/base.json'");
    std::ofstream("broken.json") << "{\"effects\": [";
    expect_failure({"bench", "--baseline-json", "broken.json"}, exit_usage, "is not JSON");
    std::ofstream("other.json") << "{\"frames\": 3}";
    expect_failure({"bench", "--baseline-json", "other.json"}, exit_usage, "has no \"effects\" list");
}

// ---- The pieces ----

TEST(render_tool_options, numbers_are_whole_texts) {
    EXPECT_EQ(parse_number("--at", "130"), 130.0);
    EXPECT_EQ(parse_number("--at", "40.5"), 40.5);
    EXPECT_EQ(parse_number("--at", "1e2"), 100.0);
    EXPECT_EQ(parse_number("--at", "-0.25"), -0.25);
    for (const char* bad : {"", " 1", "1 ", "1,5", "0x10", "inf", "-inf", "nan", "1e999", "--1"}) {
        EXPECT_THROW(parse_number("--at", bad), tool_error) << bad;
    }
    EXPECT_EQ(parse_whole("--fps", "60", 1, 1000), 60);
    EXPECT_EQ(parse_whole("--fps", "1000", 1, 1000), 1000);
    for (const char* bad : {"0", "1001", "60.0", "6e1", "-", "99999999999999999999"}) {
        EXPECT_THROW(parse_whole("--fps", bad, 1, 1000), tool_error) << bad;
    }
}

TEST(render_tool_options, positions_round_to_the_nearest_frame) {
    EXPECT_EQ(frame_of_position("--at", "0", 0.0, 60), 0);
    EXPECT_EQ(frame_of_position("--at", "", 0.0083, 60), 0);
    EXPECT_EQ(frame_of_position("--at", "", 0.0084, 60), 1);
    EXPECT_EQ(frame_of_position("--at", "", 130.0, 60), 7800);
    EXPECT_EQ(frame_of_position("--at", "", 297.99, 60), 17879);
    EXPECT_EQ(frame_of_position("--at", "", 297.7, 2), 595);
    EXPECT_THROW(frame_of_position("--at", "", 297.8, 2), tool_error);  // frame 596 at 298 s
    EXPECT_THROW(frame_of_position("--at", "", 298.0, 60), tool_error);
    EXPECT_THROW(frame_of_position("--at", "", -1e-9, 60), tool_error);
}

class render_tool_spans : public ::testing::Test {
protected:
    my_app app{std::make_unique<vdk::core::headless_window>(), std::make_unique<vdk::core::scripted_output>()};
};

TEST_F(render_tool_spans, adjacent_rows_merge_and_the_last_ends_with_the_show) {
    const std::vector<effect_span> spans = effect_spans(app);
    ASSERT_EQ(spans.size(), 20u);
    std::map<std::string, std::string> windows;
    double total = 0.0;
    for (const effect_span& span : spans) {
        windows[span.name] = span.windows_text();
        total += span.seconds();
    }
    EXPECT_EQ(total, show_end_seconds);  // every second of the show belongs to one effect
    EXPECT_EQ(windows["effect_still_01"], "85-91");
    EXPECT_EQ(windows["effect_opening_1"], "40.5-55, 206-213");
    EXPECT_EQ(windows["effect_opening_2"], "55-70, 213-236");
    EXPECT_EQ(windows["effect_starfield"], "162-177, 251-265.5");
    EXPECT_EQ(windows["effect_outtro_picture"], "265.5-298");
    EXPECT_EQ(windows["effect_lava"], "121-150");
}

TEST_F(render_tool_spans, sampled_frames_belong_to_their_effect) {
    for (const effect_span& span : effect_spans(app)) {
        for (const int count : {1, 2, 60, 5000}) {
            const std::vector<int64_t> frames = sample_frames(span, count, 60);
            ASSERT_FALSE(frames.empty());
            EXPECT_LE(frames.size(), static_cast<size_t>(count));
            EXPECT_TRUE(std::is_sorted(frames.begin(), frames.end()));
            EXPECT_EQ(std::adjacent_find(frames.begin(), frames.end()), frames.end());
            for (const int64_t frame : frames) {
                ASSERT_EQ(app.effect_at(offline_show::position_of(frame, 60)), span.effect)
                    << span.name << " frame " << frame << " of " << count;
            }
        }
        // 60 frames fit in every stretch, and each stretch gets its share.
        const std::vector<int64_t> sixty = sample_frames(span, 60, 60);
        EXPECT_EQ(sixty.size(), 60u) << span.name;
        for (const auto& [start, end] : span.windows) {
            EXPECT_TRUE(std::any_of(sixty.begin(), sixty.end(), [&](int64_t f) {
                return f >= start * 60 && f < end * 60;
            })) << span.name << " " << start;
        }
    }
}

TEST(render_tool_json, reads_documents_and_rejects_broken_ones) {
    json_value doc;
    std::string reason;
    ASSERT_TRUE(parse_json(R"( {"a": [1, -2.5e1, true, false, null], "b": {"c": "x\"y\\n\u0041"}} )",
                           doc, reason))
        << reason;
    const json_value* a = doc.find("a");
    ASSERT_NE(a, nullptr);
    ASSERT_EQ(a->items.size(), 5u);
    EXPECT_EQ(a->items[1].num, -25.0);
    EXPECT_TRUE(a->items[2].flag);
    EXPECT_EQ(a->items[4].kind, json_value::null_value);
    EXPECT_EQ(doc.find("b")->find("c")->text, "x\"y\\nA");
    const std::string quoted = json_quote("tab\there \"q\" \\ \x01");
    ASSERT_TRUE(parse_json(quoted, doc, reason)) << quoted;
    EXPECT_EQ(doc.text, "tab\there \"q\" \\ \x01");
    for (const char* bad : {"", "{", "[1,]", "{\"a\" 1}", "[1] x", "\"open", "{\"a\": -}", "tru"}) {
        EXPECT_FALSE(parse_json(bad, doc, reason)) << bad;
    }
}

// ---- With the generated data ----

// Frames drawn by the tool after jumping (one call, ascending) are identical
// to the same frames of a render that draws every frame from 0. At 4 fps a
// sequential render of the whole show stays affordable; the positions are
// 0.75 s into every row of the timeline, which includes the second stretch
// of each effect that has two and the second of two adjacent rows.
TEST(render_tool_frames, jumped_frames_equal_a_sequential_render) {
    REQUIRE_SHOW_DATA();
    vdk::test::scoped_work_dir work(true);
    struct probe {
        int fps;
        std::vector<double> positions;
    };
    std::vector<probe> probes{{60, {0.5, 1.5}}, {4, {}}};
    {
        my_app timeline(std::make_unique<vdk::core::headless_window>(), std::make_unique<vdk::core::scripted_output>());
        for (const scene_window& scene : timeline.scenes()) probes[1].positions.push_back(scene.start + 0.75);
    }
    for (const probe& p : probes) {
        const fs::path out = work.path() / ("frames_" + std::to_string(p.fps));
        std::vector<std::string> args{"frame", "--fps", std::to_string(p.fps), "--out", out.string(),
                                      "--data", work.path().string()};
        std::vector<int64_t> targets;
        for (const double t : p.positions) {
            char text[32];
            std::snprintf(text, sizeof text, "%.2f", t);
            args.insert(args.end(), {"--at", text});
            targets.push_back(std::llround(t * p.fps));
        }
        const tool_run run = run_tool(args);
        ASSERT_EQ(run.code, 0) << run.err;

        offline_show sequential(p.fps);
        ASSERT_TRUE(sequential.open());
        for (const int64_t target : targets) {
            const uint32_t* pixels = nullptr;
            while (sequential.next_frame() <= target) pixels = sequential.render(sequential.next_frame());
            ASSERT_NE(pixels, nullptr);
            int width = 0;
            int height = 0;
            const std::vector<uint32_t> jumped = load_rgb(out / frame_name(target), width, height);
            ASSERT_EQ(width, screen_width) << frame_name(target);
            ASSERT_EQ(height, screen_height);
            const std::vector<uint32_t> expected = rgb_of(pixels);
            const double t = offline_show::position_of(target, p.fps);
            size_t differing = 0;
            size_t first_difference = 0;
            for (size_t i = jumped.size(); i-- > 0;) {
                if (jumped[i] != expected[i]) {
                    ++differing;
                    first_difference = i;
                }
            }
            EXPECT_EQ(differing, 0u)
                << "first at pixel " << first_difference << ": " << std::hex << jumped[first_difference]
                << " instead of " << expected[first_difference] << std::dec << "; frame " << target << " at " << p.fps << " fps (" << t << " s, "
                << sequential.app().effect_name(sequential.app().effect_at(t)) << ") differs after a jump";
        }
    }
}

TEST(render_tool_frames, scale_repeats_each_pixel_in_an_rgb_png) {
    REQUIRE_SHOW_DATA();
    vdk::test::scoped_work_dir work(true);
    const tool_run one = run_tool({"frame", "--at", "130", "--out", "one.png", "--data", work.path().string()});
    ASSERT_EQ(one.code, 0) << one.err;
    EXPECT_NE(one.out.find("frame 7800 (130.000 s, effect_lava)"), std::string::npos) << one.out;
    const tool_run three = run_tool({"frame", "--at", "130", "--scale", "3", "--out", "three.png",
                                     "--data", work.path().string()});
    ASSERT_EQ(three.code, 0) << three.err;
    const std::string header = vdk::test::read_file("three.png").substr(0, 26);
    ASSERT_EQ(header.size(), 26u);
    EXPECT_EQ(header[24], 8);  // bit depth
    EXPECT_EQ(header[25], 2);  // colour type RGB
    int w1 = 0, h1 = 0, w3 = 0, h3 = 0;
    const std::vector<uint32_t> small = load_rgb("one.png", w1, h1);
    const std::vector<uint32_t> large = load_rgb("three.png", w3, h3);
    ASSERT_EQ(w3, 960);
    ASSERT_EQ(h3, 720);
    int mismatched = 0;
    for (int y = 0; y < h3; ++y) {
        for (int x = 0; x < w3; ++x) mismatched += large[y * w3 + x] != small[(y / 3) * w1 + x / 3];
    }
    EXPECT_EQ(mismatched, 0);
    // Into an existing folder, under the frame's name; no temporary file stays.
    fs::create_directory("shots");
    ASSERT_EQ(run_tool({"frame", "--at", "130", "--out", "shots", "--data", work.path().string()}).code, 0);
    EXPECT_EQ(files_in("shots"), std::vector<std::string>{"frame_007800.png"});
}

// A still fitted into a wider and into a taller box: black bars on the
// spare sides only, the picture's own shape, every output pixel the nearest
// source pixel.
TEST(render_tool_frames, letterbox_centres_the_picture_on_black) {
    REQUIRE_SHOW_DATA();
    vdk::test::scoped_work_dir work(true);
    ASSERT_EQ(run_tool({"frame", "--at", "130", "--out", "one.png", "--data", work.path().string()}).code, 0);
    int w = 0, h = 0;
    const std::vector<uint32_t> small = load_rgb("one.png", w, h);
    ASSERT_EQ(w, 320);
    struct box {
        int width, height;     // the output
        int left, top;         // where the picture starts
        int inner_w, inner_h;  // its size there
    };
    for (const box& b : {box{1200, 630, 180, 0, 840, 630}, box{300, 500, 0, 137, 300, 225}}) {
        const std::string size = std::to_string(b.width) + "x" + std::to_string(b.height);
        const tool_run run = run_tool({"frame", "--at", "130", "--letterbox", size, "--out", "boxed.png",
                                       "--data", work.path().string()});
        ASSERT_EQ(run.code, 0) << run.err;
        int bw = 0, bh = 0;
        const std::vector<uint32_t> boxed = load_rgb("boxed.png", bw, bh);
        ASSERT_EQ(bw, b.width);
        ASSERT_EQ(bh, b.height);
        int wrong_bar = 0, wrong_inside = 0;
        for (int y = 0; y < bh; ++y) {
            for (int x = 0; x < bw; ++x) {
                const uint32_t got = boxed[static_cast<size_t>(y) * bw + x] & 0xFFFFFFu;
                const int ix = x - b.left, iy = y - b.top;
                if (ix < 0 || iy < 0 || ix >= b.inner_w || iy >= b.inner_h) {
                    wrong_bar += got != 0;
                } else {
                    // The source pixel under the output pixel's centre.
                    const int sy = static_cast<int>((iy + 0.5) * 240 / b.inner_h);
                    const int sx = static_cast<int>((ix + 0.5) * 320 / b.inner_w);
                    const uint32_t want = small[sy * 320 + sx] & 0xFFFFFFu;
                    wrong_inside += got != want;
                }
            }
        }
        EXPECT_EQ(wrong_bar, 0) << size;
        EXPECT_EQ(wrong_inside, 0) << size;
        // The picture reaches its corners: its first and last source pixels.
        EXPECT_EQ(boxed[static_cast<size_t>(b.top) * bw + b.left], small[0]) << size;
        EXPECT_EQ(boxed[static_cast<size_t>(b.top + b.inner_h - 1) * bw + b.left + b.inner_w - 1],
                  small[239 * 320 + 319]) << size;
    }
    expect_failure({"frame", "--at", "130", "--letterbox", "1200"}, exit_usage, "bad size for --letterbox");
    expect_failure({"frame", "--at", "130", "--letterbox", "1200x0"}, exit_usage, "bad number for --letterbox");
    expect_failure({"frame", "--at", "130", "--letterbox", "1200x630", "--scale", "2"}, exit_usage,
                   "--letterbox and --scale exclude each other");
}

TEST(render_tool_video, two_seconds_at_scale_one_with_the_music) {
    REQUIRE_SHOW_DATA();
    if (!program_on_path("ffmpeg") || !program_on_path("ffprobe")) GTEST_SKIP() << "no ffmpeg";
    vdk::test::scoped_work_dir work(true);
    fs::create_directory("out");
    const tool_run run = run_tool({"video", "--out", "out/clip.mp4", "--scale", "1", "--from", "130",
                                   "--to", "132", "--data", work.path().string()});
    ASSERT_EQ(run.code, 0) << run.err;
    EXPECT_NE(run.err.find("120/120 frames"), std::string::npos) << run.err;
    EXPECT_EQ(files_in("out"), std::vector<std::string>{"clip.mp4"});
    const std::string probe = command_output(
        "ffprobe -v error -count_frames -show_entries stream=codec_type,codec_name,width,height,pix_fmt,"
        "nb_read_frames -of default=noprint_wrappers=1 out/clip.mp4");
    EXPECT_NE(probe.find("codec_name=h264"), std::string::npos) << probe;
    EXPECT_NE(probe.find("width=320"), std::string::npos) << probe;
    EXPECT_NE(probe.find("height=240"), std::string::npos) << probe;
    EXPECT_NE(probe.find("pix_fmt=yuv420p"), std::string::npos) << probe;
    EXPECT_NE(probe.find("nb_read_frames=120"), std::string::npos) << probe;
    EXPECT_NE(probe.find("codec_type=audio"), std::string::npos) << probe;
    const std::string audio = command_output(
        "ffprobe -v error -select_streams a -show_entries stream=duration -of csv=p=0 out/clip.mp4");
    EXPECT_NEAR(std::atof(audio.c_str()), 2.0, 0.05) << audio;
}

TEST(render_tool_video, a_failing_ffmpeg_leaves_no_file) {
    REQUIRE_SHOW_DATA();
    vdk::test::scoped_work_dir work(true);
    fs::create_directories("bin");
    std::ofstream("bin/ffmpeg") << "#!/bin/sh\nhead -c 1000000 >/dev/null\necho 'fake encoder: disk full' >&2\nexit 3\n";
    fs::permissions("bin/ffmpeg", fs::perms::owner_all);
    fs::create_directory("out");
    const char* path = std::getenv("PATH");
    const tool_run run = run_tool({"video", "--out", "out/clip.mp4", "--scale", "1", "--from", "130", "--to",
                                   "140", "--data", work.path().string()},
                                  {"PATH=" + (work.path() / "bin").string() + ":" + (path ? path : "")});
    EXPECT_EQ(run.code, exit_failed);
    EXPECT_NE(run.err.find("veldrakin-render: ffmpeg failed (exit status 3): fake encoder: disk full; no video written"),
              std::string::npos)
        << run.err;
    EXPECT_TRUE(files_in("out").empty());
}

TEST(render_tool_video, ctrl_c_ends_cleanly_and_leaves_no_file) {
    REQUIRE_SHOW_DATA();
    if (!program_on_path("ffmpeg")) GTEST_SKIP() << "no ffmpeg";
    vdk::test::scoped_work_dir work(true);
    fs::create_directory("out");
    tool_process video({"video", "--out", "out/show.mp4", "--scale", "1", "--data", work.path().string()});
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    // The progress bar shows once rendering has begun; let a few frames pass.
    while (video.err_so_far().find("/17880 frames") == std::string::npos &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    kill(video.pid(), SIGINT);
    const tool_run run = video.wait();
    EXPECT_EQ(run.code, exit_interrupted) << run.err;
    EXPECT_NE(run.err.find("veldrakin-render: interrupted: no video written"), std::string::npos) << run.err;
    EXPECT_TRUE(files_in("out").empty());
}

TEST(render_tool_play, without_a_display_fails_with_one_line) {
    REQUIRE_SHOW_DATA();
    vdk::test::scoped_work_dir work(true);
    const tool_run run = run_tool({"play", "--from", "130", "--data", work.path().string()},
                                  {"DISPLAY", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER"});
    EXPECT_EQ(run.code, exit_failed);
    EXPECT_NE(run.err.find("veldrakin-render: the show could not open its window"), std::string::npos) << run.err;
}

TEST(render_tool_bench, json_lists_every_effect_once) {
    REQUIRE_SHOW_DATA();
    vdk::test::scoped_work_dir work(true);
    const tool_run run = run_tool({"bench", "--frames", "2", "--json", "--data", work.path().string()});
    ASSERT_EQ(run.code, 0) << run.err;
    json_value doc;
    std::string reason;
    ASSERT_TRUE(parse_json(run.out, doc, reason)) << reason << "\n" << run.out;
    const json_value* machine = doc.find("machine");
    ASSERT_NE(machine, nullptr);
    EXPECT_EQ(machine->kind, json_value::object);
    ASSERT_NE(machine->find("cpu"), nullptr);
    const json_value* effects = doc.find("effects");
    const json_value* missing = doc.find("missing");
    ASSERT_TRUE(effects != nullptr && effects->kind == json_value::array);
    ASSERT_TRUE(missing != nullptr && missing->kind == json_value::array);
    std::multiset<std::string> listed;
    for (const json_value& e : effects->items) {
        ASSERT_NE(e.find("effect"), nullptr);
        const std::string name = e.find("effect")->text;
        listed.insert(name);
        for (const char* key : {"ms_median", "ms_max", "fps"}) {
            ASSERT_NE(e.find(key), nullptr) << name << " " << key;
            EXPECT_EQ(e.find(key)->kind, json_value::number);
            EXPECT_GT(e.find(key)->num, 0.0) << name << " " << key;
        }
        EXPECT_GE(e.find("ms_max")->num, e.find("ms_median")->num) << name;
        EXPECT_EQ(e.find("frames")->num, 2.0) << name;
    }
    for (const json_value& m : missing->items) listed.insert(m.text);
    my_app app(std::make_unique<vdk::core::headless_window>(), std::make_unique<vdk::core::scripted_output>());
    std::multiset<std::string> all;
    for (base_effect* effect : app.effects_in_order()) all.insert(app.effect_name(effect));
    EXPECT_EQ(listed, all);
    // The lava fractal has long been complete: it is measured, not missing.
    EXPECT_TRUE(std::any_of(effects->items.begin(), effects->items.end(),
                            [](const json_value& e) { return e.find("effect")->text == "effect_lava"; }));
    ASSERT_NE(doc.find("show_fps"), nullptr);
    EXPECT_GT(doc.find("show_fps")->num, 0.0);
    ASSERT_NE(doc.find("starfield_division_bound_ms"), nullptr);
    EXPECT_GT(doc.find("starfield_division_bound_ms")->num, 0.0);

    // A later run against this one as its baseline prints a ratio per effect.
    std::ofstream("baseline.json") << run.out;
    const tool_run table = run_tool({"bench", "--frames", "1", "--baseline-json", "baseline.json", "--data",
                                     work.path().string()});
    ASSERT_EQ(table.code, 0) << table.err;
    EXPECT_NE(table.out.find("speed-up vs baseline"), std::string::npos) << table.out;
    const size_t lava = table.out.find("effect_lava ");
    ASSERT_NE(lava, std::string::npos) << table.out;
    const std::string line = table.out.substr(lava, table.out.find('\n', lava) - lava);
    EXPECT_EQ(line.back(), 'x') << line;
    EXPECT_NE(table.out.find("show mean:"), std::string::npos) << table.out;
    // The text names the processor the JSON names, on the line of the set.
    const size_t set_line = table.out.find("instruction set: ");
    ASSERT_NE(set_line, std::string::npos) << table.out;
    const std::string set_text = table.out.substr(set_line, table.out.find('\n', set_line) - set_line);
    EXPECT_NE(set_text.find(" on " + machine->find("cpu")->text), std::string::npos) << set_text;
    ASSERT_NE(machine->find("instruction_set"), nullptr);
    const std::string isa = machine->find("instruction_set")->text;
    EXPECT_EQ(set_text.compare(0, 17 + isa.size(), "instruction set: " + isa), 0) << set_text;
    // The star field beside its division bound, with the same set.
    const size_t bound_line = table.out.find("star field division bound: ");
    ASSERT_NE(bound_line, std::string::npos) << table.out;
    const std::string bound_text = table.out.substr(bound_line, table.out.find('\n', bound_line) - bound_line);
    EXPECT_NE(bound_text.find("46080000 divisions in " + isa + " lanes"), std::string::npos) << bound_text;
    EXPECT_NE(bound_text.find("; the star field at "), std::string::npos) << bound_text;
    EXPECT_EQ(bound_text.back(), 't') << bound_text;
}
