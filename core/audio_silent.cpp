// The silent output: plays nothing and advances the position by the monotonic
// clock, so the show keeps its timing on a machine without a sound card.

#include <algorithm>
#include <chrono>

#include "core/audio_output.h"

namespace vdk::core {

namespace {

class silent_output : public audio_output {
public:
    bool open(int, int) override { return true; }
    std::string name() const override { return "silent"; }
    bool wants_samples() const override { return false; }
    void set_track(const decoded_track* track) override { length_ = track ? track->seconds() : 0.0; }

    bool play() override {
        if (!playing_) {
            started_ = clock::now();
            playing_ = true;
        }
        return true;
    }

    bool stop() override {
        offset_ = position();
        playing_ = false;
        return true;
    }

    bool seek(double seconds) override {
        offset_ = std::clamp(seconds, 0.0, length_);
        started_ = clock::now();
        return true;
    }

    double position() override {
        if (!playing_) return offset_;
        const std::chrono::duration<double> elapsed = clock::now() - started_;
        return std::min(offset_ + elapsed.count(), length_);
    }

private:
    using clock = std::chrono::steady_clock;
    clock::time_point started_{};
    double offset_ = 0.0;  // position when playback (re)started
    double length_ = 0.0;
    bool playing_ = false;
};

}  // namespace

std::unique_ptr<audio_output> make_silent_output() { return std::make_unique<silent_output>(); }

}  // namespace vdk::core
