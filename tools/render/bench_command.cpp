// bench: milliseconds per frame of every effect, over frames spread across
// its stretches of the show, drawn in show order by one offline show so that
// every clock and schedule is where the show would have it. Only the drawing
// of a frame is timed, not the advancing through the frames before it.
//
// An effect that is still a placeholder draws nothing: the back buffer is
// filled with a marker before each frame, and an effect that leaves all of it
// untouched on every frame is reported as missing.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "effects/effect_starfield.h"
#include "effects/instruction_set.h"
#include "tools/render/bench.h"
#include "tools/render/commands.h"
#include "tools/render/interrupt.h"
#include "tools/render/json.h"
#include "tools/render/show_data.h"
#include "tools/render/tool_error.h"

#ifndef VDK_BUILD_TYPE
#define VDK_BUILD_TYPE "unknown"
#endif

namespace {

constexpr int bench_fps = 60;
constexpr uint32_t untouched_marker = 0x00C0FFEEu;  // transparent: no effect writes it

struct effect_result {
    const effect_span* span;
    std::vector<double> ms;
    bool drew = false;

    double median() const { return median_of(ms); }
    double worst() const { return ms.empty() ? 0.0 : *std::max_element(ms.begin(), ms.end()); }
    double mean() const {
        double sum = 0.0;
        for (const double m : ms) sum += m;
        return ms.empty() ? 0.0 : sum / ms.size();
    }
};

std::string first_line_of(const char* path, const std::string& key) {
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) {
        if (line.compare(0, key.size(), key) != 0) continue;
        const size_t colon = line.find(':');
        if (colon == std::string::npos) continue;
        const size_t start = line.find_first_not_of(" \t", colon + 1);
        return start == std::string::npos ? std::string() : line.substr(start);
    }
    return {};
}

// The processor's model name, "unknown" where the system does not tell it.
std::string processor_name() {
    const std::string cpu = first_line_of("/proc/cpuinfo", "model name");
    return cpu.empty() ? "unknown" : cpu;
}

std::string machine_json() {
    const std::string cpu = processor_name();
    std::ifstream load_file("/proc/loadavg");
    double load = 0.0;
    load_file >> load;
    std::ostringstream json;
    json << "{\"cpu\": " << json_quote(cpu) << ", \"threads\": " << std::thread::hardware_concurrency()
         << ", \"load_average_1min\": " << load << ", \"compiler\": " << json_quote(__VERSION__)
         << ", \"build_type\": " << json_quote(VDK_BUILD_TYPE) << ", \"fps_of_positions\": " << bench_fps
         << ", \"instruction_set\": " << json_quote(instruction_set_name(chosen_instruction_set())) << "}";
    return json.str();
}

// The baseline's median ms per effect, and its show_fps under "".
std::map<std::string, double> read_baseline(const std::string& path) {
    std::ifstream in(path);
    if (!in) throw tool_error(exit_usage, "cannot read baseline JSON '" + path + "'");
    std::ostringstream text;
    text << in.rdbuf();
    json_value document;
    std::string reason;
    if (!parse_json(text.str(), document, reason)) {
        throw tool_error(exit_usage, "baseline '" + path + "' is not JSON: " + reason);
    }
    const json_value* effects = document.find("effects");
    if (effects == nullptr || effects->kind != json_value::array) {
        throw tool_error(exit_usage, "baseline '" + path + "' has no \"effects\" list");
    }
    std::map<std::string, double> baseline;
    for (const json_value& entry : effects->items) {
        const json_value* name = entry.find("effect");
        const json_value* ms = entry.find("ms_median");
        if (name != nullptr && name->kind == json_value::string && ms != nullptr &&
            ms->kind == json_value::number && ms->num > 0) {
            baseline[name->text] = ms->num;
        }
    }
    if (const json_value* fps = document.find("show_fps"); fps != nullptr && fps->kind == json_value::number) {
        baseline[""] = fps->num;
    }
    return baseline;
}

// How many times faster than the baseline (its median over ours), or 0.
double speedup(const std::map<std::string, double>& baseline, const std::string& name, double ms) {
    const auto it = baseline.find(name);
    return it != baseline.end() && ms > 0 ? it->second / ms : 0.0;
}

// --isa NAME: every effect draws with that instruction set.
void choose_instruction_set_option(const options& opts) {
    if (!opts.has("isa")) return;
    instruction_set set = instruction_set::scalar;
    if (!instruction_set_from_name(opts.value("isa"), set)) {
        throw tool_error(exit_usage, "--isa '" + opts.value("isa") + "' names no instruction set (" +
                                         instruction_set_names() + ")");
    }
    if (!choose_instruction_set(set)) {
        throw tool_error(exit_usage, std::string("--isa: this processor or build cannot run ") +
                                         instruction_set_name(set));
    }
}

}  // namespace

int run_bench_command(const std::vector<std::string>& args) {
    const options opts(args, {{"frames", true, false},
                              {"json", false, false},
                              {"baseline-json", true, false},
                              {"isa", true, false},
                              {"data", true, false}});
    const int frames_per_effect = opts.whole("frames", 60, 1, 100000);
    const bool as_json = opts.has("json");
    const bool with_baseline = opts.has("baseline-json");
    const std::map<std::string, double> baseline =
        with_baseline ? read_baseline(opts.value("baseline-json")) : std::map<std::string, double>{};

    choose_instruction_set_option(opts);
    enter_data_folder(opts);
    catch_interrupts();
    const auto show = open_offline_show(bench_fps);
    const std::vector<effect_span> spans = effect_spans(show->app());

    // Every sampled frame of every effect, drawn in show order.
    std::vector<effect_result> results;
    for (const effect_span& span : spans) results.push_back({&span, {}, false});
    std::vector<std::pair<int64_t, size_t>> schedule;
    for (size_t i = 0; i < spans.size(); ++i) {
        for (const int64_t frame : sample_frames(spans[i], frames_per_effect, bench_fps)) {
            schedule.emplace_back(frame, i);
        }
    }
    std::sort(schedule.begin(), schedule.end());
    size_t done = 0;
    for (const auto& [frame, index] : schedule) {
        if (interrupted()) throw tool_error(exit_interrupted, "interrupted");
        show->skip_to(frame);
        uint32_t* buffer = show->app().pixels();
        if (buffer == nullptr) throw tool_error(exit_failed, "the show has no back buffer");
        std::fill(buffer, buffer + screen_width * screen_height, untouched_marker);
        const auto start = std::chrono::steady_clock::now();
        const uint32_t* pixels = show->render(frame);
        const auto end = std::chrono::steady_clock::now();
        if (pixels == nullptr) throw tool_error(exit_failed, "frame " + std::to_string(frame) + " could not be drawn");
        effect_result& result = results[index];
        result.ms.push_back(std::chrono::duration<double, std::milli>(end - start).count());
        if (!result.drew) {
            result.drew = std::any_of(pixels, pixels + screen_width * screen_height,
                                      [](uint32_t p) { return p != untouched_marker; });
        }
        if (!as_json && (++done % 20 == 0 || done == schedule.size())) {
            std::fprintf(stderr, "\rbench: %zu/%zu frames ", done, schedule.size());
            std::fflush(stderr);
        }
    }
    if (!as_json && !schedule.empty()) std::fputc('\n', stderr);

    // The show's mean frame rate over the stretches of the effects present:
    // the frames they would draw in real time over the time they fill.
    double seconds = 0.0;
    double frames = 0.0;
    std::vector<std::string> missing;
    for (const effect_result& result : results) {
        if (!result.drew) {
            missing.push_back(result.span->name);
            continue;
        }
        seconds += result.span->seconds();
        frames += result.span->seconds() * 1000.0 / result.mean();
    }
    const double show_fps = seconds > 0 ? frames / seconds : 0.0;
    // The star field against the divisions it would take by dividing alone,
    // on the same workers with the same set.
    const double division_bound_ms = starfield_division_bound_ms(chosen_instruction_set(), show->app().workers());
    double starfield_ms = 0.0;
    for (const effect_result& result : results) {
        if (result.drew && result.span->name == "effect_starfield") starfield_ms = result.median();
    }

    if (as_json) {
        std::ostringstream json;
        json.precision(6);
        json << "{\"machine\": " << machine_json() << ", \"frames_per_effect\": " << frames_per_effect
             << ", \"effects\": [";
        bool first = true;
        for (const effect_result& result : results) {
            if (!result.drew) continue;
            json << (first ? "" : ", ") << "{\"effect\": " << json_quote(result.span->name)
                 << ", \"windows\": " << json_quote(result.span->windows_text())
                 << ", \"frames\": " << result.ms.size() << ", \"ms_median\": " << result.median()
                 << ", \"ms_max\": " << result.worst() << ", \"ms_mean\": " << result.mean()
                 << ", \"fps\": " << 1000.0 / result.median();
            if (with_baseline) {
                json << ", \"speedup_vs_baseline\": " << speedup(baseline, result.span->name, result.median());
            }
            json << "}";
            first = false;
        }
        json << "], \"missing\": [";
        for (size_t i = 0; i < missing.size(); ++i) json << (i ? ", " : "") << json_quote(missing[i]);
        json << "], \"show_fps\": " << show_fps << ", \"show_seconds_measured\": " << seconds
             << ", \"starfield_division_bound_ms\": " << division_bound_ms;
        if (with_baseline) {
            const auto it = baseline.find("");
            json << ", \"show_speedup_vs_baseline\": "
                 << (it != baseline.end() && it->second > 0 ? show_fps / it->second : 0.0);
        }
        json << "}\n";
        std::fputs(json.str().c_str(), stdout);
        return exit_ok;
    }

    std::printf("%-22s %-18s %6s %10s %9s %8s%s\n", "effect", "windows (s)", "frames", "median ms",
                "worst ms", "fps", with_baseline ? "  speed-up vs baseline" : "");
    for (const effect_result& result : results) {
        if (!result.drew) continue;
        std::printf("%-22s %-18s %6zu %10.2f %9.2f %8.1f", result.span->name.c_str(),
                    result.span->windows_text().c_str(), result.ms.size(), result.median(),
                    result.worst(), 1000.0 / result.median());
        if (with_baseline) {
            const double ratio = speedup(baseline, result.span->name, result.median());
            if (ratio > 0) {
                std::printf("  %19.2fx", ratio);
            } else {
                std::printf("  (not in baseline)");
            }
        }
        std::printf("\n");
    }
    if (!missing.empty()) {
        std::printf("missing (still placeholders, draw nothing):");
        for (size_t i = 0; i < missing.size(); ++i) std::printf("%s %s", i ? "," : "", missing[i].c_str());
        std::printf("\n");
    }
    // The processor on the line of the set, so that tables from different
    // machines can be told apart.
    std::printf("instruction set: %s on %s\n", instruction_set_name(chosen_instruction_set()),
                processor_name().c_str());
    std::printf("star field division bound: %.2f ms (%ld divisions in %s lanes on the band workers)",
                division_bound_ms, starfield_frame_divisions, instruction_set_name(chosen_instruction_set()));
    if (starfield_ms > 0) std::printf("; the star field at %.2fx it", starfield_ms / division_bound_ms);
    std::printf("\n");
    std::printf("show mean: %.1f fps over the %.1f s of %g s drawn by the effects present", show_fps,
                seconds, show_end_seconds);
    if (with_baseline) {
        const auto it = baseline.find("");
        if (it != baseline.end() && it->second > 0) std::printf(" (%.2fx the baseline)", show_fps / it->second);
    }
    std::printf("\n");
    return exit_ok;
}
