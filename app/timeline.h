#pragma once
// The show's time: its rows of the timeline and where it ends, and the music
// position of a frame of a run at a fixed frame rate. Small on purpose: the
// tools read the show's length without pulling in its effects.

#include <cstdint>

class base_effect;

// One row of the timeline: the effect that draws while the music position t
// lies in [start, end); the last row has no end.
struct scene_window {
    double start;
    double end;
    bool open_ended;
    base_effect* effect;

    bool contains(double t) const { return start <= t && (open_ended || t < end); }
};

constexpr int scene_count = 25;
// The show closes on the first frame at or after this music position.
constexpr double show_end_seconds = 298.0;

// The music position of frame n of a run at fps frames per second: n / fps.
inline double frame_position(int64_t frame, int fps) { return static_cast<double>(frame) / fps; }
