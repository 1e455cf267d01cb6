#pragma once
// What the benchmark measures: every effect over the stretches of the show
// in which it draws.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "app/my_app.h"

// One effect and its stretches of the show [start, end) in seconds; adjacent
// rows of the timeline that name the same effect form one stretch, and the
// open-ended last row ends with the show.
struct effect_span {
    base_effect* effect;
    std::string name;
    std::vector<std::pair<double, double>> windows;

    double seconds() const;
    // "40.5-55, 206-213"
    std::string windows_text() const;
};

// Every effect of the application in member order.
std::vector<effect_span> effect_spans(my_app& app);

// Up to count distinct frames of a run at fps spread evenly over the span's
// stretches (the centres of count equal parts of their total length), in
// ascending order; each is a frame the timeline gives to the span's effect.
std::vector<int64_t> sample_frames(const effect_span& span, int count, int fps);

// The median and the largest of some values (0 for none).
double median_of(std::vector<double> values);
