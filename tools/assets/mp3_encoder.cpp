// MP3 encoding with libmp3lame: constant bit rate, no ID3 tag, and the Info
// frame written in place at the start once the stream is complete, so that
// decoders know the exact length and the encoder delay. LAME itself uses no
// clock or random source, so the same samples give the same bytes.

#include <lame/lame.h>

#include <algorithm>
#include <memory>

#include "tools/assets/music.h"

namespace assets::music {

std::vector<uint8_t> encode_mp3(const std::vector<int16_t>& samples) {
    std::unique_ptr<lame_global_flags, int (*)(lame_global_flags*)> lame(lame_init(), &lame_close);
    if (!lame) return {};
    lame_set_in_samplerate(lame.get(), 44100);
    lame_set_out_samplerate(lame.get(), 44100);
    lame_set_num_channels(lame.get(), 2);
    lame_set_mode(lame.get(), JOINT_STEREO);
    lame_set_brate(lame.get(), 224);
    lame_set_VBR(lame.get(), vbr_off);
    lame_set_quality(lame.get(), 3);
    lame_set_write_id3tag_automatic(lame.get(), 0);
    lame_set_bWriteVbrTag(lame.get(), 1);
    if (lame_init_params(lame.get()) < 0) return {};

    std::vector<uint8_t> out;
    const size_t frames = samples.size() / 2;
    const size_t chunk = 8192;
    std::vector<uint8_t> buffer(chunk * 5 / 4 + 7200);
    std::vector<short> interleaved(chunk * 2);
    for (size_t start = 0; start < frames; start += chunk) {
        const size_t n = std::min(chunk, frames - start);
        for (size_t i = 0; i < 2 * n; ++i) interleaved[i] = samples[2 * start + i];
        const int written = lame_encode_buffer_interleaved(lame.get(), interleaved.data(),
                                                           static_cast<int>(n), buffer.data(),
                                                           static_cast<int>(buffer.size()));
        if (written < 0) return {};
        out.insert(out.end(), buffer.begin(), buffer.begin() + written);
    }
    const int tail = lame_encode_flush(lame.get(), buffer.data(), static_cast<int>(buffer.size()));
    if (tail < 0) return {};
    out.insert(out.end(), buffer.begin(), buffer.begin() + tail);

    // The Info frame occupies the first frame of the stream; LAME wrote a
    // placeholder there and now fills it in.
    std::vector<uint8_t> tag(4096);
    const size_t tag_size = lame_get_lametag_frame(lame.get(), tag.data(), tag.size());
    if (tag_size > 0 && tag_size <= out.size()) std::copy(tag.begin(), tag.begin() + static_cast<long>(tag_size), out.begin());
    return out;
}

}  // namespace assets::music
