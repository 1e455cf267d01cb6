#pragma once
// The arrangement of the track against the show's timeline: 120 beats per
// minute (a beat is 0.5 s), one section per scene, accents at the moments the
// pictures jump, drops where they fall to black.

#include <vector>

#include "tools/assets/instruments.h"

namespace assets::music {

constexpr double track_seconds = 300.0;
constexpr double beat = 0.5;

struct section {
    double start, end;  // music seconds
    const char* scene;  // what the show draws meanwhile
    const char* music;  // what plays
};

// The sections in time order, contiguous from 0 to track_seconds.
const std::vector<section>& sections();

// The moments of the accent hits: the credit tilts, the greetings and the
// white flash of the corridor.
const std::vector<double>& accent_times();

// The sung lines: each sits inside one lyric window of the corridor scene.
struct sung_line {
    double start, end;
    const char* words;
};
const std::vector<sung_line>& sung_lines();

// Renders every note and hit of the arrangement into the mix.
void compose(mix& m);

// The master level at music time t: the intro's rise, the short ducks before
// accents, the drops to silence and the final fade-out.
double master_gain(double t);

}  // namespace assets::music
