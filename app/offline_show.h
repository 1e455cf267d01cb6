#pragma once
// The show driven frame by frame with deterministic time, with no window and
// no sound: frame n of a run at F frames per second has music position n / F
// and application time floor(n * 1000 / F) ms, as if the music had started on
// frame 0.
//
// Frames may be skipped: a skipped frame advances the effect the timeline
// picks for it (its clock and schedules) without drawing, so that a frame
// drawn after skipping is identical to the same frame of a run that drew
// every frame before it.

#include <cstdint>
#include <memory>

#include "app/my_app.h"
#include "core/audio_output.h"
#include "core/window_headless.h"

class offline_show {
public:
    explicit offline_show(int fps = 60);

    // Sets the show up in the working directory (pictures and music as the
    // show loads them). False when the set-up failed; app.log says why.
    bool open();

    int fps() const { return fps_; }
    static double position_of(int64_t frame, int fps);
    static float app_ms_of(int64_t frame, int fps);
    // The frame whose position is closest to the given seconds.
    int64_t frame_at(double seconds) const;

    // Draws frame n (n at least next_frame()), skipping the frames between,
    // and returns the 320 x 240 back buffer, or null once the show has closed.
    const uint32_t* render(int64_t frame);
    // Advances, without drawing, every frame before n.
    void skip_to(int64_t frame);
    // Advances, without drawing, frames [first, end) of a run at fps of any
    // application (the real-time player prepares its effects with it).
    static void advance_frames(my_app& app, int fps, int64_t first, int64_t end);
    int64_t next_frame() const { return next_frame_; }

    my_app& app() { return *app_; }

private:
    int fps_;
    int64_t next_frame_ = 0;
    vdk::core::headless_window* window_ = nullptr;
    vdk::core::scripted_output* audio_ = nullptr;
    std::unique_ptr<my_app> app_;
};
