#include "core/audio.h"

#include "core/app.h"

#include <cstdio>

namespace vdk::core {

// The track comes before the outputs: they are destroyed first, so that no
// device thread reads the samples after they are freed.
struct player_data {
    base_app* owner = nullptr;
    decoded_track track;                   // the loaded track
    std::unique_ptr<audio_output> output;  // chosen by init unless given
    // A device that stopped taking samples, replaced by the silent output. It
    // is kept, not closed, while the show runs: closing waits for its thread.
    std::unique_ptr<audio_output> stalled_output;
    uint32_t current_handle = 0;           // the stream that holds track, 0 for none
    uint32_t last_handle = 0;
};

struct stream_data {
    bool loaded = false;
    uint32_t handle = 0;
};

namespace {
constexpr int output_rate = 44100;
constexpr int output_channels = 2;
}  // namespace

audio_stream::audio_stream() : data_(new stream_data) {}
audio_stream::~audio_stream() { delete data_; }
bool audio_stream::is_loaded() const { return data_->loaded; }

bool audio_stream::release() {
    const bool had = data_->handle != 0;
    data_->loaded = false;
    data_->handle = 0;
    return had;
}

audio_player::audio_player(std::unique_ptr<audio_output> output) : data_(new player_data) {
    data_->output = std::move(output);
}

audio_player::~audio_player() {
    if (data_->output) data_->output->stop();
    delete data_;
}

bool audio_player::init(base_app* owner) {
    data_->owner = owner;
    if (owner == nullptr) return false;
    logger* log = owner->get_logger();
    // Intended as it reads, though no such library is used; tests pin it.
    log->write("BASS Sound Player initialization...", info);
    if (data_->output) return data_->output->open(output_rate, output_channels);

    std::unique_ptr<audio_output> device = make_device_output();
    if (device->open(output_rate, output_channels)) {
        data_->output = std::move(device);
        return true;
    }
    data_->output = make_silent_output();
    data_->output->open(output_rate, output_channels);
    log->write("audio_player::init no audio device (" + device->failure_reason() +
                   "), playing silently in real time",
               info);
    return true;
}

bool audio_player::load(audio_stream& stream, std::string path) {
    stream_data& s = *stream.data_;
    const bool decoded =
        data_->output && decode_mp3(path, data_->output->wants_samples(), data_->track);
    logger* log = data_->owner != nullptr ? data_->owner->get_logger() : nullptr;
    if (!decoded) {
        s.loaded = false;
        s.handle = 0;
        if (log != nullptr) log->write("Audio Stream failed to load: " + path, info);
        return false;
    }
    s.loaded = true;
    s.handle = ++data_->last_handle;
    data_->current_handle = s.handle;
    data_->output->set_track(&data_->track);
    if (log != nullptr) log->write("Audio Stream loaded successfully: " + path, info);
    return true;
}

void audio_player::play(audio_stream& stream) {
    if (!stream.data_->loaded) return;
    if (stream.data_->handle == data_->current_handle && data_->output->play()) return;
    data_->owner->get_logger()->write("Can't play the stream", info);
}

double audio_player::position(audio_stream& stream) {
    if (!stream.data_->loaded || stream.data_->handle != data_->current_handle) return -1.0;
    const double heard = data_->output->position();
    if (data_->output->stalled()) go_on_silently(heard);
    return heard;
}

// The device stopped while playing: the silent output takes over from the
// position just reported, so that the show keeps its pace without a jump.
void audio_player::go_on_silently(double heard) {
    std::unique_ptr<audio_output> silent = make_silent_output();
    silent->open(output_rate, output_channels);
    silent->set_track(&data_->track);
    silent->seek(heard);
    silent->play();
    const std::string reason = data_->output->failure_reason();
    data_->stalled_output = std::move(data_->output);
    data_->output = std::move(silent);
    if (data_->owner == nullptr || data_->owner->get_logger() == nullptr) return;
    char at[32];
    std::snprintf(at, sizeof at, "%.3f", heard);
    data_->owner->get_logger()->write("audio_player::position the sound device stopped (" + reason +
                                          "), playback goes on silently in real time from " + at +
                                          " s",
                                      info);
}

bool audio_player::seek(audio_stream& stream, double seconds) {
    if (!stream.data_->loaded || stream.data_->handle != data_->current_handle) return false;
    return data_->output->seek(seconds);
}

bool audio_player::stop(audio_stream& stream) {
    if (!stream.data_->loaded || stream.data_->handle != data_->current_handle) return false;
    return data_->output->stop();
}

bool audio_player::shutdown() {
    if (!data_->output) return false;
    data_->output->stop();
    return true;
}

audio_output* audio_player::output() { return data_->output.get(); }

}  // namespace vdk::core
