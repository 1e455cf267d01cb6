#include "tools/render/bench.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "app/offline_show.h"

double effect_span::seconds() const {
    double total = 0.0;
    for (const auto& [start, end] : windows) total += end - start;
    return total;
}

std::string effect_span::windows_text() const {
    std::string text;
    for (const auto& [start, end] : windows) {
        char part[48];
        std::snprintf(part, sizeof part, "%s%g-%g", text.empty() ? "" : ", ", start, end);
        text += part;
    }
    return text;
}

std::vector<effect_span> effect_spans(my_app& app) {
    std::vector<effect_span> spans;
    for (base_effect* effect : app.effects_in_order()) {
        effect_span span{effect, app.effect_name(effect), {}};
        for (const scene_window& scene : app.scenes()) {
            if (scene.effect != effect) continue;
            const double end = scene.open_ended ? show_end_seconds : scene.end;
            if (!span.windows.empty() && span.windows.back().second == scene.start) {
                span.windows.back().second = end;
            } else {
                span.windows.emplace_back(scene.start, end);
            }
        }
        spans.push_back(span);
    }
    return spans;
}

std::vector<int64_t> sample_frames(const effect_span& span, int count, int fps) {
    std::vector<int64_t> frames;
    const double total = span.seconds();
    for (int i = 0; i < count; ++i) {
        double offset = (i + 0.5) * total / count;
        for (const auto& [start, end] : span.windows) {
            const double length = end - start;
            if (offset >= length) {
                offset -= length;
                continue;
            }
            // The frames whose positions lie in [start, end).
            const auto first = static_cast<int64_t>(std::ceil(start * fps));
            const auto last = static_cast<int64_t>(std::ceil(end * fps)) - 1;
            const auto frame = static_cast<int64_t>(std::floor((start + offset) * fps));
            frames.push_back(std::clamp(frame, first, last));
            break;
        }
    }
    std::sort(frames.begin(), frames.end());
    frames.erase(std::unique(frames.begin(), frames.end()), frames.end());
    return frames;
}

double median_of(std::vector<double> values) {
    if (values.empty()) return 0.0;
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2.0;
}
