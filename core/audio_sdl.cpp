// The sound-card output on SDL2 audio. SDL has no hardware play cursor, so the
// position heard is estimated: the callback records how many frames it has
// handed over and when; what is heard trails that by one device buffer, and
// between callbacks the position advances by the monotonic clock. The result
// is clamped so that it never goes backwards.

#include <SDL.h>

#include <algorithm>
#include <cstring>

#include "core/audio_output.h"

namespace vdk::core {

namespace {

constexpr int buffer_frames = 1024;
// A device that takes no samples for this long has stopped.
constexpr double watchdog_seconds = 1.0;
// A sound server may take a while to ask for the first samples after a start
// or a seek (connecting, setting up its stream): a device counts as stopped
// only after this long without that first callback.
constexpr double first_callback_seconds = 5.0;

double seconds_since(Uint64 stamp) {
    return static_cast<double>(SDL_GetPerformanceCounter() - stamp) /
           static_cast<double>(SDL_GetPerformanceFrequency());
}

class sdl_output : public audio_output {
public:
    ~sdl_output() override {
        if (device_ != 0) SDL_CloseAudioDevice(device_);
        if (audio_started_) SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }

    bool open(int rate, int channels) override {
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
            reason_ = std::string("SDL audio: ") + SDL_GetError();
            return false;
        }
        audio_started_ = true;
        const char* driver = SDL_GetCurrentAudioDriver();
        if (driver == nullptr || std::strcmp(driver, "dummy") == 0 ||
            std::strcmp(driver, "disk") == 0) {
            reason_ = "no sound card driver";
            return false;
        }
        SDL_AudioSpec want{};
        want.freq = rate;
        want.format = AUDIO_S16SYS;
        want.channels = static_cast<Uint8>(channels);
        want.samples = buffer_frames;
        want.callback = &sdl_output::fill;
        want.userdata = this;
        SDL_AudioSpec have{};
        device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
        if (device_ == 0) {
            reason_ = SDL_GetError();
            return false;
        }
        rate_ = have.freq;
        channels_ = have.channels;
        device_buffer_ = have.samples;
        // What is heard trails what the callback handed over by the buffer
        // the device plays; SDL's PulseAudio driver also keeps about one more
        // buffer queued in the server (measured through a null sink: 42 ms
        // at 1024 frames, where one buffer is 23 ms).
        const bool pulse = std::strcmp(driver, "pulseaudio") == 0;
        latency_frames_ = have.samples * (pulse ? 2 : 1);
        return true;
    }

    std::string name() const override { return "SDL audio"; }
    bool wants_samples() const override { return true; }
    std::string failure_reason() const override { return reason_; }
    double latency() const override { return static_cast<double>(latency_frames_) / rate_; }

    // The device counts as stopped when SDL reports it gone, or when no
    // callback has come for much longer than any scheduling hiccup lasts.
    bool stalled() override {
        if (!playing_) return false;
        if (SDL_GetAudioDeviceStatus(device_) == SDL_AUDIO_STOPPED) {
            reason_ = std::string("device lost: ") + SDL_GetError();
            return true;
        }
        SDL_LockAudioDevice(device_);
        const double quiet = seconds_since(stamp_);
        const double allowed = seeked_ ? first_callback_seconds : watchdog_seconds;
        SDL_UnlockAudioDevice(device_);
        if (quiet < allowed) return false;
        reason_ = "no callback for " + std::to_string(static_cast<int>(quiet * 1000)) + " ms";
        return true;
    }

    void set_track(const decoded_track* track) override {
        SDL_LockAudioDevice(device_);
        track_ = track;
        written_ = 0;
        heard_floor_ = 0.0;
        SDL_UnlockAudioDevice(device_);
    }

    bool play() override {
        if (track_ == nullptr || track_->rate != rate_ || track_->channels != channels_) return false;
        SDL_LockAudioDevice(device_);
        playing_ = true;
        stamp_ = SDL_GetPerformanceCounter();
        stamp_written_ = written_;
        seeked_ = true;
        SDL_UnlockAudioDevice(device_);
        SDL_PauseAudioDevice(device_, 0);
        return true;
    }

    bool stop() override {
        const double heard = position();
        SDL_PauseAudioDevice(device_, 1);
        SDL_LockAudioDevice(device_);
        playing_ = false;
        written_ = static_cast<int64_t>(heard * rate_);
        heard_floor_ = heard;
        SDL_UnlockAudioDevice(device_);
        return true;
    }

    bool seek(double seconds) override {
        if (track_ == nullptr) return false;
        SDL_LockAudioDevice(device_);
        const double length = track_->seconds();
        const double target = std::clamp(seconds, 0.0, length);
        written_ = static_cast<int64_t>(target * rate_);
        stamp_written_ = written_;
        stamp_ = SDL_GetPerformanceCounter();
        heard_floor_ = target;
        seeked_ = true;
        SDL_UnlockAudioDevice(device_);
        return true;
    }

    double position() override {
        SDL_LockAudioDevice(device_);
        double heard = heard_floor_;
        if (playing_ && track_ != nullptr) {
            // Until the device asks for the first samples after a start or
            // a seek nothing of them is heard: the position waits there.
            const double since = seeked_ ? 0.0 : seconds_since(stamp_);
            const int64_t trailing = seeked_ ? 0 : latency_frames_;
            const double estimate =
                static_cast<double>(stamp_written_ - trailing) / rate_ + since;
            heard = std::min(std::max(heard, estimate), track_->seconds());
            heard_floor_ = heard;
        }
        SDL_UnlockAudioDevice(device_);
        return heard;
    }

private:
    static void fill(void* userdata, Uint8* stream, int length) {
        auto* self = static_cast<sdl_output*>(userdata);
        std::memset(stream, 0, static_cast<size_t>(length));
        if (!self->playing_ || self->track_ == nullptr) return;
        // Once the device is gone SDL goes on calling at its own pace into a
        // buffer nobody hears: those calls move neither the samples nor the
        // clock, which runs on from the last buffer the device took.
        if (SDL_GetAudioDeviceStatus(self->device_) == SDL_AUDIO_STOPPED) return;
        const decoded_track& track = *self->track_;
        const int64_t wanted = length / (2 * self->channels_);
        const int64_t available = std::max<int64_t>(0, track.frames - self->written_);
        const int64_t frames = std::min(wanted, available);
        if (frames > 0 && !track.samples.empty()) {
            std::memcpy(stream, track.samples.data() + self->written_ * self->channels_,
                        static_cast<size_t>(frames) * 2 * self->channels_);
        }
        self->written_ += wanted;  // silence past the end counts as played
        self->stamp_written_ = self->written_;
        self->stamp_ = SDL_GetPerformanceCounter();
        self->seeked_ = false;
    }

    SDL_AudioDeviceID device_ = 0;
    bool audio_started_ = false;
    int rate_ = 44100;
    int channels_ = 2;
    int device_buffer_ = buffer_frames;
    int latency_frames_ = buffer_frames;  // handed over but not yet heard
    std::string reason_;

    // Shared with the callback; guarded by SDL_LockAudioDevice.
    const decoded_track* track_ = nullptr;
    bool playing_ = false;
    bool seeked_ = false;        // no callback since the last seek or start
    int64_t written_ = 0;        // frames handed to the device so far
    int64_t stamp_written_ = 0;  // written_ at the last callback
    Uint64 stamp_ = 0;           // performance counter at the last callback
    double heard_floor_ = 0.0;   // the last position reported
};

}  // namespace

std::unique_ptr<audio_output> make_device_output() { return std::make_unique<sdl_output>(); }

}  // namespace vdk::core
