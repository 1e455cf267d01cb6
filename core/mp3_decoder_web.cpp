// MP3 decoding in the web build, by the browser's own decoder. Decoding there
// is asynchronous, so the page decodes the track before the module is used
// (web/page.js, with an offline audio context at 44100 Hz) and keeps the
// audio buffer under the file's absolute path; this looks it up. The buffer
// itself stays with the page, which plays it (audio_web.cpp); the samples are
// copied into the module only when asked for.

#include <emscripten/emscripten.h>

#include <filesystem>

#include "core/audio_output.h"
#include "core/web_tracks.h"

namespace vdk::core {

namespace {

// Frames per channel of the decoded track under the path, or -1 when the page
// decoded none there; the track becomes the one the audio output plays.
EM_JS(double, vdk_web_track_frames, (const char* path, int* rate), {
    const tracks = Module.vdkDecodedTracks || {};
    const buffer = tracks[UTF8ToString(path)];
    if (!buffer) return -1;
    Module.vdkLastDecodedTrack = buffer;
    HEAP32[rate >> 2] = buffer.sampleRate;
    return buffer.length;
});

// Interleaved stereo 16-bit samples of that track into out (frames * 2).
EM_JS(void, vdk_web_track_samples, (const char* path, int16_t* out, double frames), {
    const buffer = (Module.vdkDecodedTracks || {})[UTF8ToString(path)];
    const left = buffer.getChannelData(0);
    const right = buffer.numberOfChannels > 1 ? buffer.getChannelData(1) : left;
    const base = out >> 1;
    for (let i = 0; i < frames; ++i) {
        const l = Math.max(-1, Math.min(1, left[i]));
        const r = Math.max(-1, Math.min(1, right[i]));
        HEAP16[base + 2 * i] = Math.round(l < 0 ? l * 32768 : l * 32767);
        HEAP16[base + 2 * i + 1] = Math.round(r < 0 ? r * 32768 : r * 32767);
    }
});

}  // namespace

std::string web_track_key(const std::string& path) {
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    return error ? path : absolute.lexically_normal().string();
}

bool decode_mp3(const std::string& path, bool want_samples, decoded_track& track) {
    const std::string key = web_track_key(path);
    int rate = 0;
    const double frames = vdk_web_track_frames(key.c_str(), &rate);
    if (frames <= 0 || rate <= 0) return false;
    decoded_track result;
    result.rate = rate;
    result.channels = 2;
    result.frames = static_cast<int64_t>(frames);
    if (want_samples) {
        result.samples.resize(static_cast<size_t>(result.frames) * 2);
        vdk_web_track_samples(key.c_str(), result.samples.data(), frames);
    }
    track = std::move(result);
    return true;
}

}  // namespace vdk::core
