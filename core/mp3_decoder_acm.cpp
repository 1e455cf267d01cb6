// MP3 decoding with the system's MP3 codec through the Audio Compression
// Manager: the whole track at once, 44100 Hz stereo signed 16-bit.
//
// The frames are found here (after any ID3v2 tag, up to an ID3v1 tag), so the
// length is known without decoding and damaged stretches are skipped by
// searching for the next frame header of the same kind. An encoder's
// Xing/Info frame is not audio: it is left out, and the encoder delay and
// padding it records are cut from both ends, together with the decoder's own
// delay of 529 samples, so that the track holds exactly the encoded samples,
// as a gapless decoder gives them on the other platforms.

#include <windows.h>
#include <mmsystem.h>
#include <mmreg.h>
#include <msacm.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "core/audio_output.h"

namespace vdk::core {

namespace {

constexpr int output_rate = 44100;
constexpr int64_t decoder_delay = 529;

struct frame_header {
    int version = 0;  // 3 = MPEG-1, 2 = MPEG-2, 0 = MPEG-2.5
    int rate = 0;
    int channels = 0;
    int bytes = 0;               // the whole frame, header included
    int samples = 0;             // per channel
    int side_info = 0;           // bytes of side information after the header
    uint32_t kind_mask = 0;      // header bits that stay the same in a stream
};

// A Layer III frame header at p (4 bytes), or false.
bool parse_header(const unsigned char* p, frame_header& h) {
    if (p[0] != 0xFF || (p[1] & 0xE0) != 0xE0) return false;
    const int version = (p[1] >> 3) & 3;
    const int layer = (p[1] >> 1) & 3;
    const int bitrate_index = p[2] >> 4;
    const int rate_index = (p[2] >> 2) & 3;
    if (version == 1 || layer != 1 || bitrate_index == 0 || bitrate_index == 15 || rate_index == 3) {
        return false;
    }
    static const int mpeg1_kbps[15] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};
    static const int mpeg2_kbps[15] = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160};
    static const int mpeg1_rates[3] = {44100, 48000, 32000};
    const bool mpeg1 = version == 3;
    const int kbps = mpeg1 ? mpeg1_kbps[bitrate_index] : mpeg2_kbps[bitrate_index];
    int rate = mpeg1_rates[rate_index];
    if (version == 2) rate /= 2;
    if (version == 0) rate /= 4;
    const int padding = (p[2] >> 1) & 1;
    const bool mono = (p[3] >> 6) == 3;
    h.version = version;
    h.rate = rate;
    h.channels = mono ? 1 : 2;
    h.samples = mpeg1 ? 1152 : 576;
    h.bytes = (mpeg1 ? 144000 : 72000) * kbps / rate + padding;
    h.side_info = mpeg1 ? (mono ? 17 : 32) : (mono ? 9 : 17);
    h.kind_mask = static_cast<uint32_t>(p[1]) << 16 | static_cast<uint32_t>(p[2] & 0x0C) << 8;
    return true;
}

struct mp3_frames {
    std::vector<unsigned char> data;  // the audio frames only, back to back
    frame_header first;               // the first audio frame's header
    int64_t frame_count = 0;
    bool gapless = false;             // encoder delay and padding are known
    int64_t encoder_delay = 0;
    int64_t encoder_padding = 0;
};

// Reads the Xing/Info frame's encoder delay and padding (LAME's extension).
// True when f is such a frame, which then holds no audio.
bool read_info_frame(const unsigned char* f, const frame_header& h, mp3_frames& out) {
    const int at = 4 + h.side_info;
    if (at + 8 > h.bytes) return false;
    const unsigned char* tag = f + at;
    if (std::memcmp(tag, "Xing", 4) != 0 && std::memcmp(tag, "Info", 4) != 0) return false;
    const uint32_t flags = static_cast<uint32_t>(tag[4]) << 24 | tag[5] << 16 | tag[6] << 8 | tag[7];
    int extension = at + 8;
    if (flags & 1) extension += 4;    // frame count
    if (flags & 2) extension += 4;    // byte count
    if (flags & 4) extension += 100;  // seek table
    if (flags & 8) extension += 4;    // quality
    if (extension + 24 <= h.bytes) {
        const unsigned char* e = f + extension;
        const bool known_encoder = std::memcmp(e, "LAME", 4) == 0 || std::memcmp(e, "Lavf", 4) == 0 ||
                                   std::memcmp(e, "Lavc", 4) == 0;
        if (known_encoder) {
            out.encoder_delay = static_cast<int64_t>(e[21]) << 4 | e[22] >> 4;
            out.encoder_padding = static_cast<int64_t>(e[22] & 0x0F) << 8 | e[23];
            out.gapless = true;
        }
    }
    return true;
}

bool find_frames(const std::vector<unsigned char>& file, mp3_frames& out) {
    size_t at = 0;
    if (file.size() >= 10 && std::memcmp(file.data(), "ID3", 3) == 0) {
        const size_t size = static_cast<size_t>(file[6] & 0x7F) << 21 | (file[7] & 0x7F) << 14 |
                            (file[8] & 0x7F) << 7 | (file[9] & 0x7F);
        at = 10 + size + ((file[5] & 0x10) ? 10 : 0);
    }
    bool have_kind = false;
    bool first_frame = true;
    while (at + 4 <= file.size()) {
        if (file.size() - at >= 3 && std::memcmp(&file[at], "TAG", 3) == 0 &&
            file.size() - at == 128) {
            break;  // ID3v1
        }
        frame_header h;
        const bool header = parse_header(&file[at], h) &&
                            (!have_kind || h.kind_mask == out.first.kind_mask);
        if (!header || at + static_cast<size_t>(h.bytes) > file.size()) {
            // Not a frame here: without a frame of this kind found yet, the
            // next must also be one, which keeps stray sync bytes out.
            if (header && at + static_cast<size_t>(h.bytes) > file.size()) break;
            ++at;
            continue;
        }
        if (!have_kind) {
            const size_t next = at + static_cast<size_t>(h.bytes);
            frame_header following;
            if (next + 4 <= file.size() &&
                (!parse_header(&file[next], following) || following.kind_mask != h.kind_mask)) {
                ++at;
                continue;
            }
        }
        if (first_frame && read_info_frame(&file[at], h, out)) {
            first_frame = false;
            at += static_cast<size_t>(h.bytes);
            continue;
        }
        first_frame = false;
        if (!have_kind) {
            out.first = h;
            have_kind = true;
        }
        out.data.insert(out.data.end(), file.begin() + static_cast<long>(at),
                        file.begin() + static_cast<long>(at + h.bytes));
        ++out.frame_count;
        at += static_cast<size_t>(h.bytes);
    }
    return out.frame_count > 0;
}

bool read_whole_file(const std::string& path, std::vector<unsigned char>& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return false;
    std::vector<unsigned char> chunk(1 << 16);
    size_t got = 0;
    while ((got = std::fread(chunk.data(), 1, chunk.size(), file)) > 0) {
        bytes.insert(bytes.end(), chunk.begin(), chunk.begin() + static_cast<long>(got));
    }
    std::fclose(file);
    return true;
}

struct acm_stream_owner {
    HACMSTREAM stream = nullptr;
    ~acm_stream_owner() {
        if (stream != nullptr) acmStreamClose(stream, 0);
    }
};

// Runs the frames through the codec; appends interleaved 16-bit PCM of the
// stream's own rate and channel count. False when no codec opens.
bool decode_frames(const mp3_frames& frames, std::vector<int16_t>& pcm) {
    const frame_header& h = frames.first;
    MPEGLAYER3WAVEFORMAT source{};
    source.wfx.wFormatTag = WAVE_FORMAT_MPEGLAYER3;
    source.wfx.nChannels = static_cast<WORD>(h.channels);
    source.wfx.nSamplesPerSec = static_cast<DWORD>(h.rate);
    source.wfx.nAvgBytesPerSec = static_cast<DWORD>(h.bytes) * h.rate / h.samples;
    source.wfx.nBlockAlign = 1;
    source.wfx.wBitsPerSample = 0;
    source.wfx.cbSize = MPEGLAYER3_WFX_EXTRA_BYTES;
    source.wID = MPEGLAYER3_ID_MPEG;
    source.fdwFlags = MPEGLAYER3_FLAG_PADDING_ISO;
    source.nBlockSize = static_cast<WORD>(h.bytes);
    source.nFramesPerBlock = 1;
    source.nCodecDelay = 1393;

    WAVEFORMATEX target{};
    target.wFormatTag = WAVE_FORMAT_PCM;
    target.nChannels = static_cast<WORD>(h.channels);
    target.nSamplesPerSec = static_cast<DWORD>(h.rate);
    target.wBitsPerSample = 16;
    target.nBlockAlign = static_cast<WORD>(2 * h.channels);
    target.nAvgBytesPerSec = target.nSamplesPerSec * target.nBlockAlign;

    acm_stream_owner acm;
    if (acmStreamOpen(&acm.stream, nullptr, reinterpret_cast<WAVEFORMATEX*>(&source), &target,
                      nullptr, 0, 0, ACM_STREAMOPENF_NONREALTIME) != MMSYSERR_NOERROR) {
        acm.stream = nullptr;
        return false;
    }

    constexpr DWORD input_bytes = 1 << 16;
    DWORD output_bytes = 0;
    if (acmStreamSize(acm.stream, input_bytes, &output_bytes, ACM_STREAMSIZEF_SOURCE) !=
            MMSYSERR_NOERROR ||
        output_bytes == 0) {
        output_bytes = input_bytes * 64;
    }
    std::vector<unsigned char> input(input_bytes);
    std::vector<unsigned char> output(output_bytes);
    ACMSTREAMHEADER header{};
    header.cbStruct = sizeof(header);
    header.pbSrc = input.data();
    header.cbSrcLength = input_bytes;
    header.pbDst = output.data();
    header.cbDstLength = output_bytes;
    if (acmStreamPrepareHeader(acm.stream, &header, 0) != MMSYSERR_NOERROR) return false;

    size_t offset = 0;       // next byte of frames.data to hand over
    DWORD pending = 0;       // bytes at the start of input not yet taken
    DWORD flags = ACM_STREAMCONVERTF_START;
    bool ok = true;
    for (;;) {
        const size_t room = input_bytes - pending;
        const size_t take = std::min(room, frames.data.size() - offset);
        std::memcpy(input.data() + pending, frames.data.data() + offset, take);
        offset += take;
        const DWORD length = pending + static_cast<DWORD>(take);
        const bool last = offset == frames.data.size();
        header.cbSrcLength = length;
        header.cbDstLength = output_bytes;
        if (last) flags |= ACM_STREAMCONVERTF_END;
        if (acmStreamConvert(acm.stream, &header, flags | ACM_STREAMCONVERTF_BLOCKALIGN) !=
            MMSYSERR_NOERROR) {
            ok = false;
            break;
        }
        flags = 0;
        const auto* decoded = reinterpret_cast<const int16_t*>(output.data());
        pcm.insert(pcm.end(), decoded, decoded + header.cbDstLengthUsed / sizeof(int16_t));
        const DWORD used = std::min(header.cbSrcLengthUsed, length);
        pending = length - used;
        std::memmove(input.data(), input.data() + used, pending);
        if (last) {
            // Whatever the codec still holds comes out without more input.
            for (int i = 0; i < 16; ++i) {
                header.cbSrcLength = pending;
                header.cbDstLength = output_bytes;
                if (acmStreamConvert(acm.stream, &header, ACM_STREAMCONVERTF_END) !=
                        MMSYSERR_NOERROR ||
                    header.cbDstLengthUsed == 0) {
                    break;
                }
                pcm.insert(pcm.end(), decoded, decoded + header.cbDstLengthUsed / sizeof(int16_t));
                const DWORD taken = std::min(header.cbSrcLengthUsed, pending);
                pending -= taken;
                std::memmove(input.data(), input.data() + taken, pending);
            }
            break;
        }
        if (used == 0 && header.cbDstLengthUsed == 0 && take == 0) break;  // no progress
    }
    header.cbSrcLength = input_bytes;
    header.cbDstLength = output_bytes;
    acmStreamUnprepareHeader(acm.stream, &header, 0);
    return ok || !pcm.empty();
}

}  // namespace

bool decode_mp3(const std::string& path, bool want_samples, decoded_track& track) {
    std::vector<unsigned char> file;
    if (!read_whole_file(path, file)) return false;
    mp3_frames frames;
    if (!find_frames(file, frames)) return false;
    const frame_header& h = frames.first;
    if (h.rate != output_rate) return false;

    // The encoded samples lie at [begin, end) of what the decoder puts out.
    const int64_t decoded_length = frames.frame_count * h.samples;
    int64_t begin = 0;
    int64_t end = decoded_length;
    if (frames.gapless) {
        begin = frames.encoder_delay + decoder_delay;
        end = decoded_length - frames.encoder_padding + decoder_delay;
    }

    decoded_track result;
    result.rate = output_rate;
    result.channels = 2;
    if (!want_samples) {
        result.frames = std::max<int64_t>(0, std::min(end, decoded_length) - begin);
        if (result.frames == 0) return false;
        track = std::move(result);
        return true;
    }

    std::vector<int16_t> pcm;
    pcm.reserve(static_cast<size_t>(decoded_length) * h.channels + 4096);
    if (!decode_frames(frames, pcm)) return false;
    const int64_t got = static_cast<int64_t>(pcm.size()) / h.channels;
    end = std::min(end, got);
    if (end <= begin) return false;
    result.frames = end - begin;
    result.samples.resize(static_cast<size_t>(result.frames) * 2);
    for (int64_t i = 0; i < result.frames; ++i) {
        const int16_t* in = &pcm[static_cast<size_t>(begin + i) * h.channels];
        result.samples[2 * i] = in[0];
        result.samples[2 * i + 1] = h.channels == 2 ? in[1] : in[0];
    }
    track = std::move(result);
    return true;
}

}  // namespace vdk::core
