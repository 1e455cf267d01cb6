#pragma once
// Music playback: audio_player stands for the output device and performs every
// operation; audio_stream stands for one loaded track and carries its handle.

#include <cstdint>
#include <memory>
#include <string>

#include "core/audio_output.h"

namespace vdk::core {

class base_app;
struct player_data;
struct stream_data;

class audio_stream {
public:
    audio_stream();
    virtual ~audio_stream();
    audio_stream(const audio_stream&) = delete;
    audio_stream& operator=(const audio_stream&) = delete;

    bool is_loaded() const;
    // Forgets the loaded track; true when there was one.
    bool release();

private:
    friend class audio_player;
    stream_data* data_;
};

class audio_player {
public:
    // Plays through the sound card, or silently when none opens, unless an
    // output is given (tools give a scripted one).
    explicit audio_player(std::unique_ptr<audio_output> output = nullptr);
    virtual ~audio_player();
    audio_player(const audio_player&) = delete;
    audio_player& operator=(const audio_player&) = delete;

    bool init(base_app* owner);
    bool load(audio_stream& stream, std::string path);
    void play(audio_stream& stream);
    // Seconds heard of the stream; negative when it is not loaded. When the
    // device stops taking samples in the middle, playback goes on from there
    // on the silent output (one line in the log says so).
    double position(audio_stream& stream);
    bool seek(audio_stream& stream, double seconds);
    bool stop(audio_stream& stream);
    bool shutdown();

    // The output in use (after init), for tools that drive it.
    audio_output* output();

private:
    void go_on_silently(double heard);

    player_data* data_;
};

}  // namespace vdk::core
