// The sound output in a web page, on Web Audio. The page makes the audio
// context (Module.vdkAudioContext) in the click that starts the show, since
// browsers allow no sound before a gesture; without a running context there
// is no device and the player plays silently in real time.
//
// The track is the audio buffer that the page decoded (mp3_decoder_web.cpp):
// playing it starts a buffer source at the current offset. The position heard
// is the context's output time (its clock less the output latency) since the
// start, plus the offset, clamped to the track and never going backwards.

#include <emscripten/emscripten.h>

#include "core/audio_output.h"

namespace vdk::core {

namespace {

EM_JS(int, vdk_web_audio_open, (), {
    const context = Module.vdkAudioContext;
    if (!context || context.state !== 'running') return 0;
    Module.vdkPlayback = {source: null, buffer: null, playing: false, offset: 0, startedAt: 0, heard: 0};
    return 1;
});

EM_JS(void, vdk_web_audio_take_track, (), {
    const playback = Module.vdkPlayback;
    if (playback) playback.buffer = Module.vdkLastDecodedTrack || null;
});

// Seconds of the context's clock that have reached the listener.
EM_JS(double, vdk_web_audio_output_time, (), {
    const context = Module.vdkAudioContext;
    if (!context) return 0;
    if (context.getOutputTimestamp) {
        const stamp = context.getOutputTimestamp();
        if (stamp.contextTime > 0 && stamp.performanceTime > 0) {
            const since = (performance.now() - stamp.performanceTime) / 1000;
            return Math.min(stamp.contextTime + Math.max(0, since), context.currentTime);
        }
    }
    return Math.max(0, context.currentTime - (context.outputLatency || 0) - (context.baseLatency || 0));
});

EM_JS(int, vdk_web_audio_start, (double offset), {
    const playback = Module.vdkPlayback;
    const context = Module.vdkAudioContext;
    if (!playback || !playback.buffer || !context) return 0;
    if (playback.source) {
        try { playback.source.stop(); } catch (e) {}
        playback.source.disconnect();
    }
    const source = context.createBufferSource();
    source.buffer = playback.buffer;
    source.connect(context.destination);
    source.start(context.currentTime, offset);
    playback.source = source;
    playback.startedAt = context.currentTime;
    playback.offset = offset;
    return 1;
});

// The context time at which the last start's first sample plays.
EM_JS(double, vdk_web_audio_started_at, (), {
    return Module.vdkPlayback ? Module.vdkPlayback.startedAt : 0;
});

EM_JS(void, vdk_web_audio_halt, (), {
    const playback = Module.vdkPlayback;
    if (!playback || !playback.source) return;
    try { playback.source.stop(); } catch (e) {}
    playback.source.disconnect();
    playback.source = null;
});

class web_output : public audio_output {
public:
    ~web_output() override { vdk_web_audio_halt(); }

    bool open(int, int) override {
        if (vdk_web_audio_open() == 0) {
            reason_ = "no running audio context";
            return false;
        }
        return true;
    }
    std::string name() const override { return "web audio"; }
    // The page holds the decoded samples; the module needs only the length.
    bool wants_samples() const override { return false; }
    std::string failure_reason() const override { return reason_; }

    void set_track(const decoded_track* track) override {
        length_ = track ? track->seconds() : 0.0;
        vdk_web_audio_take_track();
    }

    bool play() override {
        if (playing_) return true;
        if (vdk_web_audio_start(offset_) == 0) return false;
        started_at_ = vdk_web_audio_started_at();
        playing_ = true;
        return true;
    }

    bool stop() override {
        offset_ = position();
        vdk_web_audio_halt();
        playing_ = false;
        return true;
    }

    bool seek(double seconds) override {
        offset_ = seconds < 0 ? 0.0 : (seconds > length_ ? length_ : seconds);
        heard_ = offset_;
        if (!playing_) return true;
        if (vdk_web_audio_start(offset_) == 0) return false;
        started_at_ = vdk_web_audio_started_at();
        return true;
    }

    double position() override {
        if (!playing_) return offset_;
        const double since = vdk_web_audio_output_time() - started_at_;
        double now = offset_ + (since > 0 ? since : 0.0);
        if (now > length_) now = length_;
        if (now > heard_) heard_ = now;
        return heard_;
    }

private:
    std::string reason_;
    double length_ = 0.0;
    double offset_ = 0.0;      // position when playback (re)started
    double started_at_ = 0.0;  // context time at which that start is heard
    double heard_ = 0.0;       // the largest position reported since then
    bool playing_ = false;
};

}  // namespace

std::unique_ptr<audio_output> make_device_output() { return std::make_unique<web_output>(); }

}  // namespace vdk::core
