// The sound-card output on waveOut. A feeder thread keeps a few buffers of the
// decoded track queued on the device; it wakes on the device's event whenever
// a buffer is done and refills it. The position heard comes from the device's
// played-sample count (waveOutGetPosition); that count moves in steps, so
// between two steps the position advances by the performance counter, never
// more than one buffer ahead of the last count, and never goes backwards.

#include <windows.h>
#include <mmsystem.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include "core/audio_output.h"

namespace vdk::core {

namespace {

constexpr int buffer_count = 4;
constexpr int buffer_frames = 2048;

double seconds_now() {
    LARGE_INTEGER count;
    LARGE_INTEGER frequency;
    QueryPerformanceCounter(&count);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(count.QuadPart) / static_cast<double>(frequency.QuadPart);
}

class waveout_output : public audio_output {
public:
    ~waveout_output() override {
        if (feeder_.joinable()) {
            {
                std::lock_guard<std::mutex> lock(mutex_);
                quitting_ = true;
            }
            SetEvent(event_);
            feeder_.join();
        }
        if (device_ != nullptr) {
            waveOutReset(device_);
            for (auto& h : headers_) {
                if (h.dwFlags & WHDR_PREPARED) waveOutUnprepareHeader(device_, &h, sizeof(h));
            }
            waveOutClose(device_);
        }
        if (event_ != nullptr) CloseHandle(event_);
    }

    bool open(int rate, int channels) override {
        rate_ = rate;
        channels_ = channels;
        event_ = CreateEventA(nullptr, FALSE, FALSE, nullptr);
        if (event_ == nullptr) {
            reason_ = "CreateEvent failed";
            return false;
        }
        WAVEFORMATEX format{};
        format.wFormatTag = WAVE_FORMAT_PCM;
        format.nChannels = static_cast<WORD>(channels);
        format.nSamplesPerSec = static_cast<DWORD>(rate);
        format.wBitsPerSample = 16;
        format.nBlockAlign = static_cast<WORD>(channels * 2);
        format.nAvgBytesPerSec = format.nSamplesPerSec * format.nBlockAlign;
        const MMRESULT opened = waveOutOpen(&device_, WAVE_MAPPER, &format,
                                            reinterpret_cast<DWORD_PTR>(event_), 0, CALLBACK_EVENT);
        if (opened != MMSYSERR_NOERROR) {
            device_ = nullptr;
            char text[MAXERRORLENGTH] = {};
            waveOutGetErrorTextA(opened, text, sizeof(text));
            reason_ = std::string("waveOutOpen: ") + text;
            return false;
        }
        waveOutPause(device_);
        for (int i = 0; i < buffer_count; ++i) {
            samples_[i].assign(static_cast<size_t>(buffer_frames) * channels, 0);
            WAVEHDR& h = headers_[i];
            std::memset(&h, 0, sizeof(h));
            h.lpData = reinterpret_cast<LPSTR>(samples_[i].data());
            h.dwBufferLength = static_cast<DWORD>(samples_[i].size() * sizeof(int16_t));
            waveOutPrepareHeader(device_, &h, sizeof(h));
            h.dwFlags |= WHDR_DONE;  // free for the feeder
        }
        feeder_ = std::thread([this] { feed(); });
        return true;
    }

    std::string name() const override { return "waveOut"; }
    bool wants_samples() const override { return true; }
    std::string failure_reason() const override { return reason_; }

    void set_track(const decoded_track* track) override {
        std::lock_guard<std::mutex> lock(mutex_);
        restart_at(0);
        track_ = track;
    }

    bool play() override {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (track_ == nullptr || track_->rate != rate_ || track_->channels != channels_) return false;
            if (!playing_) {
                playing_ = true;
                step_time_ = seconds_now();
                waveOutRestart(device_);
            }
        }
        SetEvent(event_);
        return true;
    }

    bool stop() override {
        std::lock_guard<std::mutex> lock(mutex_);
        const double heard = heard_locked();
        playing_ = false;
        restart_at(heard);
        return true;
    }

    bool seek(double seconds) override {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (track_ == nullptr) return false;
            restart_at(std::clamp(seconds, 0.0, track_->seconds()));
            if (playing_) {
                step_time_ = seconds_now();
                waveOutRestart(device_);
            }
        }
        SetEvent(event_);
        return true;
    }

    double position() override {
        std::lock_guard<std::mutex> lock(mutex_);
        return heard_locked();
    }

private:
    // Empties the device queue and makes seconds the start of what is written
    // and heard next. The device's sample count starts again from 0.
    void restart_at(double seconds) {
        waveOutReset(device_);
        waveOutPause(device_);
        base_seconds_ = seconds;
        next_frame_ = static_cast<int64_t>(seconds * rate_);
        last_count_ = 0;
        floor_ = seconds;
        step_time_ = seconds_now();
    }

    uint32_t played_count() {
        MMTIME time{};
        time.wType = TIME_SAMPLES;
        if (waveOutGetPosition(device_, &time, sizeof(time)) != MMSYSERR_NOERROR) return last_count_;
        if (time.wType == TIME_SAMPLES) return time.u.sample;
        if (time.wType == TIME_BYTES) return time.u.cb / static_cast<DWORD>(2 * channels_);
        return last_count_;
    }

    double heard_locked() {
        if (track_ == nullptr) return floor_;
        if (playing_) {
            const double now = seconds_now();
            const uint32_t count = played_count();
            if (count != last_count_) {
                last_count_ = count;
                step_time_ = now;
            }
            const double counted = base_seconds_ + static_cast<double>(last_count_) / rate_;
            const double ahead = std::min(now - step_time_, static_cast<double>(buffer_frames) / rate_);
            floor_ = std::max(floor_, counted + ahead);
        }
        floor_ = std::min(floor_, track_->seconds());
        return floor_;
    }

    // The feeder thread: refills every finished buffer while playing; past
    // the end of the track it writes silence, which counts as played.
    void feed() {
        for (;;) {
            WaitForSingleObject(event_, 100);
            std::lock_guard<std::mutex> lock(mutex_);
            if (quitting_) return;
            if (!playing_ || track_ == nullptr) continue;
            for (int i = 0; i < buffer_count; ++i) {
                WAVEHDR& h = headers_[i];
                if ((h.dwFlags & WHDR_DONE) == 0) continue;
                std::vector<int16_t>& out = samples_[i];
                std::fill(out.begin(), out.end(), 0);
                const int64_t available = std::max<int64_t>(0, track_->frames - next_frame_);
                const int64_t frames = std::min<int64_t>(buffer_frames, available);
                if (frames > 0 && !track_->samples.empty()) {
                    std::memcpy(out.data(), track_->samples.data() + next_frame_ * channels_,
                                static_cast<size_t>(frames) * channels_ * sizeof(int16_t));
                }
                next_frame_ += buffer_frames;
                h.dwFlags &= ~static_cast<DWORD>(WHDR_DONE);
                waveOutWrite(device_, &h, sizeof(h));
            }
        }
    }

    HWAVEOUT device_ = nullptr;
    HANDLE event_ = nullptr;
    int rate_ = 44100;
    int channels_ = 2;
    std::string reason_;
    std::thread feeder_;

    // Shared with the feeder thread; guarded by mutex_.
    std::mutex mutex_;
    std::array<WAVEHDR, buffer_count> headers_{};
    std::array<std::vector<int16_t>, buffer_count> samples_;
    const decoded_track* track_ = nullptr;
    bool playing_ = false;
    bool quitting_ = false;
    int64_t next_frame_ = 0;     // next frame of the track to queue
    double base_seconds_ = 0.0;  // track position at the device's sample count 0
    uint32_t last_count_ = 0;    // the device's sample count at its last step
    double step_time_ = 0.0;     // when that step was seen
    double floor_ = 0.0;         // the last position reported
};

}  // namespace

std::unique_ptr<audio_output> make_device_output() { return std::make_unique<waveout_output>(); }

}  // namespace vdk::core
