#include "app/offline_show.h"

#include <cmath>

offline_show::offline_show(int fps) : fps_(fps) {
    auto window = std::make_unique<vdk::core::headless_window>();
    auto audio = std::make_unique<vdk::core::scripted_output>();
    window_ = window.get();
    audio_ = audio.get();
    app_ = std::make_unique<my_app>(std::move(window), std::move(audio));
}

bool offline_show::open() { return app_->create(show_title, screen_width, screen_height) == 0; }

double offline_show::position_of(int64_t frame, int fps) {
    return frame_position(frame, fps);
}

float offline_show::app_ms_of(int64_t frame, int fps) {
    return static_cast<float>(frame * 1000 / fps);
}

int64_t offline_show::frame_at(double seconds) const {
    return static_cast<int64_t>(std::llround(seconds * fps_));
}

void offline_show::advance_frames(my_app& app, int fps, int64_t first, int64_t end) {
    for (int64_t frame = first; frame < end; ++frame) {
        const double t = position_of(frame, fps);
        if (base_effect* effect = app.effect_at(t)) effect->advance(app_ms_of(frame, fps), t);
    }
}

void offline_show::skip_to(int64_t frame) {
    if (next_frame_ >= frame) return;
    advance_frames(*app_, fps_, next_frame_, frame);
    next_frame_ = frame;
}

const uint32_t* offline_show::render(int64_t frame) {
    skip_to(frame);
    audio_->set_position(position_of(frame, fps_));
    app_->on_frame(app_ms_of(frame, fps_));
    next_frame_ = frame + 1;
    return app_->pixels();
}
