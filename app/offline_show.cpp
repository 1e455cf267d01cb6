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
    return static_cast<double>(frame) / fps;
}

float offline_show::app_ms_of(int64_t frame, int fps) {
    return static_cast<float>(frame * 1000 / fps);
}

int64_t offline_show::frame_at(double seconds) const {
    return static_cast<int64_t>(std::llround(seconds * fps_));
}

void offline_show::skip_to(int64_t frame) {
    for (; next_frame_ < frame; ++next_frame_) {
        const double t = position_of(next_frame_, fps_);
        if (base_effect* effect = app_->effect_at(t)) effect->advance(app_ms_of(next_frame_, fps_), t);
    }
}

const uint32_t* offline_show::render(int64_t frame) {
    skip_to(frame);
    audio_->set_position(position_of(frame, fps_));
    app_->on_frame(app_ms_of(frame, fps_));
    next_frame_ = frame + 1;
    return app_->pixels();
}
