#pragma once
// The track: rendered by the synthesizer, mastered to 16-bit stereo at
// 44100 Hz and encoded as MP3.

#include <cstdint>
#include <string>
#include <vector>

namespace assets::music {

// Renders the first `seconds` of the track (the whole track by default) as
// interleaved 16-bit stereo samples.
std::vector<int16_t> render_track(double seconds = 0);

// Encodes interleaved 16-bit stereo at 44100 Hz as a constant 224 kbit/s MP3
// with an Info frame (exact length, encoder delay) and no ID3 tag. Empty on
// failure.
std::vector<uint8_t> encode_mp3(const std::vector<int16_t>& samples);

}  // namespace assets::music
