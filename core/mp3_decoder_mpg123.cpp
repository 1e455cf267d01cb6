// MP3 decoding with libmpg123: the whole track at once, 44100 Hz stereo
// signed 16-bit, so that seeking and offline rendering are sample-exact.

#include <mpg123.h>

#include "core/audio_output.h"

namespace vdk::core {

namespace {

struct mpg123_handle_owner {
    mpg123_handle* handle = nullptr;
    ~mpg123_handle_owner() {
        if (handle != nullptr) {
            mpg123_close(handle);
            mpg123_delete(handle);
        }
    }
};

}  // namespace

bool decode_mp3(const std::string& path, bool want_samples, decoded_track& track) {
    constexpr long rate = 44100;
    int err = MPG123_OK;
    mpg123_handle_owner decoder;
    decoder.handle = mpg123_new(nullptr, &err);
    if (decoder.handle == nullptr) return false;
    mpg123_handle* mh = decoder.handle;
    mpg123_param(mh, MPG123_ADD_FLAGS, MPG123_FORCE_STEREO | MPG123_QUIET, 0.0);
    if (mpg123_open(mh, path.c_str()) != MPG123_OK) return false;
    mpg123_format_none(mh);
    if (mpg123_format(mh, rate, MPG123_STEREO, MPG123_ENC_SIGNED_16) != MPG123_OK) return false;
    long got_rate = 0;
    int channels = 0;
    int encoding = 0;
    if (mpg123_getformat(mh, &got_rate, &channels, &encoding) != MPG123_OK) return false;
    if (got_rate != rate || channels != 2 || encoding != MPG123_ENC_SIGNED_16) return false;

    decoded_track result;
    result.rate = static_cast<int>(rate);
    result.channels = 2;
    if (!want_samples) {
        if (mpg123_scan(mh) != MPG123_OK) return false;
        const off_t length = mpg123_length(mh);
        if (length <= 0) return false;
        result.frames = length;
        track = std::move(result);
        return true;
    }

    std::vector<unsigned char> chunk(1 << 16);
    std::vector<int16_t>& samples = result.samples;
    samples.reserve(static_cast<size_t>(rate) * 2 * 310);
    for (;;) {
        size_t done = 0;
        const int status = mpg123_read(mh, chunk.data(), chunk.size(), &done);
        const size_t count = done / sizeof(int16_t);
        const auto* data = reinterpret_cast<const int16_t*>(chunk.data());
        samples.insert(samples.end(), data, data + count);
        if (status == MPG123_DONE) break;
        if (status == MPG123_NEW_FORMAT) continue;
        if (status != MPG123_OK) break;  // damaged data: keep what was decoded
    }
    result.frames = static_cast<int64_t>(samples.size() / 2);
    if (result.frames == 0) return false;
    track = std::move(result);
    return true;
}

}  // namespace vdk::core
