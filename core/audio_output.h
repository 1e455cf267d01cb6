#pragma once
// The seam between the music player and the sound hardware, and the decoder
// that turns the track file into samples.
//
// The position an output reports is what the listener hears, in seconds from
// the start of the track; it grows smoothly with real time while playing and
// never decreases, except by a seek.
//
// Implementations: audio_sdl.cpp (the sound card through SDL2, Linux),
// audio_waveout.cpp (the sound card through waveOut, Windows),
// audio_silent.cpp (a silent output that consumes the track in real time,
// used when no device opens), and scripted_output here (a position set by its
// user, for offline tools). The decoder: mp3_decoder_mpg123.cpp (libmpg123)
// or mp3_decoder_acm.cpp (the Audio Compression Manager, Windows).

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vdk::core {

// A whole decoded track: interleaved signed 16-bit samples.
struct decoded_track {
    int rate = 44100;
    int channels = 2;
    int64_t frames = 0;           // samples per channel
    std::vector<int16_t> samples;  // empty when only the length was asked for

    double seconds() const { return rate > 0 ? static_cast<double>(frames) / rate : 0.0; }
};

// Decodes an MP3 file to 44100 Hz stereo. With want_samples false only the
// length is determined. False when the file cannot be opened or holds no
// audio; a damaged file yields what could be decoded.
bool decode_mp3(const std::string& path, bool want_samples, decoded_track& track);

class audio_output {
public:
    virtual ~audio_output() = default;
    // Prepares the device for 16-bit interleaved samples. False: no device.
    virtual bool open(int rate, int channels) = 0;
    virtual std::string name() const = 0;
    // Whether the output plays samples (false: the decoder may skip them).
    virtual bool wants_samples() const = 0;
    // The track to play from now on; it outlives the output's use of it.
    virtual void set_track(const decoded_track* track) = 0;
    virtual bool play() = 0;
    virtual bool stop() = 0;
    virtual bool seek(double seconds) = 0;
    virtual double position() = 0;
    virtual std::string failure_reason() const { return {}; }
    // Seconds between handing samples to the device and their being heard,
    // as the position counts them.
    virtual double latency() const { return 0.0; }
    // True once the device has stopped taking samples while playing (a sound
    // server that went away): the position then runs on the clock alone, and
    // the player goes on with the silent output. failure_reason() says why.
    virtual bool stalled() { return false; }
};

std::unique_ptr<audio_output> make_device_output();
std::unique_ptr<audio_output> make_silent_output();

// An output whose position is whatever its user last set; plays nothing.
class scripted_output : public audio_output {
public:
    void set_position(double seconds) { position_ = seconds; }
    bool playing() const { return playing_; }

    bool open(int, int) override { return true; }
    std::string name() const override { return "scripted"; }
    bool wants_samples() const override { return false; }
    void set_track(const decoded_track*) override {}
    bool play() override { playing_ = true; return true; }
    bool stop() override { playing_ = false; return true; }
    bool seek(double seconds) override { position_ = seconds; return true; }
    double position() override { return position_; }

private:
    double position_ = 0.0;
    bool playing_ = false;
};

}  // namespace vdk::core
