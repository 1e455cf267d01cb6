// Checks of the music position against what reached the sound server.
//
//   sync_check offset TRACK.mp3 RECORDING.raw TRACE FROM
//     Finds where the recording (signed 16-bit stereo at 44100 Hz, with the
//     wall-clock times of its fragments in RECORDING.raw.timing) lies in the decoded track by
//     cross-correlation, coarse then sample-exact (the recorded sound begins
//     with the track near FROM), and compares it with the
//     positions of TRACE (lines "REALTIME POSITION", playback from FROM s):
//     prints the offset position - sink position in milliseconds (positive:
//     the picture is ahead of the sound): median, 5th and 95th percentile,
//     least and most.
//
//   sync_check when TRACK.mp3 RECORDING.raw FROM POSITION
//     Prints "time_of T": the wall-clock time at which the sink's stream,
//     continued at real-time pace past the end of the recording, reaches
//     POSITION seconds of the track (playback started at FROM).
//
//   sync_check pace TRACE AFTER_TIME
//     From the reading at AFTER_TIME on: the position never goes back, never
//     holds still for more than one frame (1/60 s) of wall time, never moves
//     more than one frame beyond the wall time passed, and keeps real-time
//     pace over the whole stretch. Prints what it measured.
//
// Exit code 0 when the check passes, 1 when it fails, 2 on bad input.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "core/audio_output.h"

namespace {

constexpr int rate = 44100;
constexpr double frame_seconds = 1.0 / 60.0;

struct reading {
    double time;
    double position;
};

std::vector<reading> read_trace(const char* path) {
    std::vector<reading> trace;
    std::ifstream in(path);
    reading r{};
    while (in >> r.time >> r.position) trace.push_back(r);
    return trace;
}

// Mono (left + right) / 2 as floats.
std::vector<float> mono(const int16_t* samples, size_t frames) {
    std::vector<float> out(frames);
    for (size_t i = 0; i < frames; ++i) {
        out[i] = 0.5f * (static_cast<float>(samples[2 * i]) + static_cast<float>(samples[2 * i + 1]));
    }
    return out;
}

// Means of blocks of `factor` samples.
std::vector<float> decimate(const std::vector<float>& in, int factor) {
    std::vector<float> out(in.size() / factor);
    for (size_t i = 0; i < out.size(); ++i) {
        float sum = 0.0f;
        for (int k = 0; k < factor; ++k) sum += in[i * factor + k];
        out[i] = sum / factor;
    }
    return out;
}

// Normalised correlation of a[a0 .. a0+n) with b[b0 .. b0+n); -2 when out of range.
double correlation(const std::vector<float>& a, long a0, const std::vector<float>& b, long b0,
                   long n) {
    if (a0 < 0 || b0 < 0 || a0 + n > static_cast<long>(a.size()) ||
        b0 + n > static_cast<long>(b.size())) {
        return -2.0;
    }
    double ab = 0.0, aa = 0.0, bb = 0.0;
    for (long i = 0; i < n; ++i) {
        const double x = a[a0 + i];
        const double y = b[b0 + i];
        ab += x * y;
        aa += x * x;
        bb += y * y;
    }
    if (aa <= 0.0 || bb <= 0.0) return -2.0;
    return ab / std::sqrt(aa * bb);
}

double percentile(std::vector<double> values, double p) {
    std::sort(values.begin(), values.end());
    const size_t i = static_cast<size_t>(p * static_cast<double>(values.size() - 1) + 0.5);
    return values[i];
}

struct recording {
    std::vector<float> mono;
    std::vector<std::pair<double, double>> timing;  // frames so far, wall time of the last
    long shift = 0;  // recording frame r holds track frame r + shift (at the start)
    double match = -2.0;
    // Where the shift changes (a gap the sink played when the device was fed
    // late): for stretches of a quarter second, their first frame and shift.
    std::vector<std::pair<long, long>> stretches;

    // Whether recording frame r lies in a stretch that matched the track.
    bool matched(double r) const {
        for (const auto& stretch : stretches) {
            if (stretch.first <= r && r < stretch.first + rate / 4) return true;
        }
        return false;
    }

    long shift_at(double r) const {
        long found = shift;
        for (const auto& stretch : stretches) {
            if (stretch.first <= r) found = stretch.second;
        }
        return found;
    }

    // The wall-clock time of recording frame r: from the fragments around
    // it, the median of their times less their frame counts (a fragment read
    // late by a busy machine does not move it); extrapolated at the ends.
    double time_of_frame(double r) const {
        auto at = std::lower_bound(timing.begin(), timing.end(), std::make_pair(r, -1e300));
        const long i = at - timing.begin();
        const long lo = std::max<long>(0, i - 25);
        const long hi = std::min<long>(static_cast<long>(timing.size()), i + 25);
        std::vector<double> starts;
        for (long k = lo; k < hi; ++k) starts.push_back(timing[k].second - timing[k].first / rate);
        std::sort(starts.begin(), starts.end());
        return starts[starts.size() / 2] + r / rate;
    }
    double end_time() const { return time_of_frame(static_cast<double>(mono.size())); }
    // The wall-clock time at which the sink had received the track up to
    // `position` seconds (continued at real-time pace past the recording).
    double time_of(double position) const {
        const long last = stretches.empty() ? shift : stretches.back().second;
        return time_of_frame(position * rate - static_cast<double>(last));
    }
    // The track position the sink had received at wall-clock time t.
    double sink_position(double t) const {
        double r = static_cast<double>(mono.size()) / 2;
        for (int k = 0; k < 4; ++k) r += (t - time_of_frame(r)) * rate;
        return (r + static_cast<double>(shift_at(r))) / rate;
    }
};

// Loads the recording and finds where it lies in the track: the first
// recorded sound is the track near `from`; the lag is searched half a second
// either side of that at a sixteenth of the rate, then sample by sample.
bool locate(const char* track_path, const char* raw_path, double from, recording& rec) {
    vdk::core::decoded_track track;
    if (!vdk::core::decode_mp3(track_path, true, track) || track.channels != 2 || track.rate != rate) {
        std::fprintf(stderr, "cannot decode %s\n", track_path);
        return false;
    }
    std::ifstream raw(raw_path, std::ios::binary);
    raw.seekg(0, std::ios::end);
    const auto bytes = static_cast<size_t>(raw.tellg());
    raw.seekg(0);
    std::vector<int16_t> samples(bytes / 4 * 2);
    raw.read(reinterpret_cast<char*>(samples.data()), static_cast<std::streamsize>(samples.size() * 2));
    std::ifstream timing(std::string(raw_path) + ".timing");
    double frames = 0.0, time = 0.0;
    while (timing >> frames >> time) rec.timing.emplace_back(frames, time);
    if (rec.timing.empty()) {
        std::fprintf(stderr, "no timing beside %s\n", raw_path);
        return false;
    }
    rec.mono = mono(samples.data(), samples.size() / 2);
    const std::vector<float> track_mono = mono(track.samples.data(), static_cast<size_t>(track.frames));

    long first_sound = 0;
    while (first_sound < static_cast<long>(rec.mono.size()) && std::fabs(rec.mono[first_sound]) < 1.0f) {
        ++first_sound;
    }
    // The first half second, from a fifth of a second in, that matches the
    // track (a gap the sink played can spoil one).
    const long window = rate / 2;
    const long expected = static_cast<long>(from * rate) - first_sound;
    const int factor = 16;
    const std::vector<float> track_low = decimate(track_mono, factor);
    const std::vector<float> rec_low = decimate(rec.mono, factor);
    long start = first_sound + rate / 5;
    for (; start + window + rate / 10 < static_cast<long>(rec.mono.size()); start += window) {
        long best = expected;
        double best_c = -2.0;
        for (long lag = (expected - rate / 2) / factor; lag <= (expected + rate / 2) / factor; ++lag) {
            const double c = correlation(rec_low, start / factor, track_low, start / factor + lag,
                                         window / factor);
            if (c > best_c) {
                best_c = c;
                best = lag * factor;
            }
        }
        rec.match = -2.0;
        for (long lag = best - 2 * factor; lag <= best + 2 * factor; ++lag) {
            const double c = correlation(rec.mono, start, track_mono, start + lag, window);
            if (c > rec.match) {
                rec.match = c;
                rec.shift = lag;
            }
        }
        if (rec.match >= 0.9) break;
    }
    std::printf("the sink received track position %.3f s at the first recorded sound; "
                "correlation %.4f over %.1f s\n",
                static_cast<double>(first_sound + rec.shift) / rate, rec.match,
                static_cast<double>(window) / rate);
    (void)expected;
    if (rec.match < 0.9) {
        std::fprintf(stderr, "FAIL: the recording does not match the track\n");
        return false;
    }
    // Stretch by stretch, each searched 10 ms either side of the last.
    const long stretch = rate / 4;
    long last = rec.shift;
    long gaps = 0;
    for (long at = start; at + stretch < static_cast<long>(rec.mono.size()); at += stretch) {
        long best_lag = last;
        double best = -2.0;
        for (long lag = last - rate / 100; lag <= last + rate / 100; ++lag) {
            const double c = correlation(rec.mono, at, track_mono, at + lag, stretch);
            if (c > best) {
                best = c;
                best_lag = lag;
            }
        }
        if (best < 0.9) continue;  // silence, or the end of the recording
        if (best_lag != last) ++gaps;
        rec.stretches.emplace_back(at, best_lag);
        last = best_lag;
    }
    std::printf("the sink's stream moved against the track %ld times (%.1f ms in all)\n", gaps,
                static_cast<double>(rec.shift - last) * 1000.0 / rate);
    return true;
}

int run_offset(int argc, char** argv) {
    if (argc != 6) return 2;
    recording rec;
    const std::vector<reading> trace = read_trace(argv[4]);
    if (trace.size() < 100) return 2;
    if (!locate(argv[2], argv[3], std::atof(argv[5]), rec)) return 1;
    // From one second after the position starts to move (the device has
    // asked for its first samples, and the first callbacks are past) to the
    // end of the recording, where the sink received the track.
    double moving = trace.back().time;
    for (const reading& r : trace) {
        if (r.position > trace.front().position) {
            moving = r.time;
            break;
        }
    }
    std::vector<double> offsets;
    for (const reading& r : trace) {
        if (r.time < moving + 1.0 || r.time > rec.end_time() - 0.05) continue;
        const double sink = rec.sink_position(r.time);
        if (!rec.matched(sink * rate - static_cast<double>(rec.shift_at(sink * rate)))) continue;
        offsets.push_back((r.position - sink) * 1000.0);
    }
    if (offsets.empty()) return 2;
    std::printf("offset_ms median %.1f p25 %.1f p75 %.1f p5 %.1f p95 %.1f min %.1f max %.1f "
                "readings %zu\n",
                percentile(offsets, 0.5), percentile(offsets, 0.25), percentile(offsets, 0.75),
                percentile(offsets, 0.05), percentile(offsets, 0.95),
                percentile(offsets, 0.0), percentile(offsets, 1.0), offsets.size());
    return 0;
}

int run_when(int argc, char** argv) {
    if (argc != 6) return 2;
    recording rec;
    if (!locate(argv[2], argv[3], std::atof(argv[4]), rec)) return 1;
    std::printf("time_of %.6f\n", rec.time_of(std::atof(argv[5])));
    return 0;
}

int run_pace(int argc, char** argv) {
    if (argc != 4) return 2;
    const std::vector<reading> all = read_trace(argv[2]);
    const double after = std::atof(argv[3]);
    std::vector<reading> trace;
    for (const reading& r : all) {
        if (r.time >= after) trace.push_back(r);
    }
    if (trace.size() < 100) {
        std::fprintf(stderr, "too few readings after %.3f\n", after);
        return 2;
    }
    double back = 0.0;      // largest step backwards, s
    double ahead = 0.0;     // largest step beyond the wall time passed, s
    double hold = 0.0;      // longest wall time without movement, s
    double still_since = trace.front().time;
    for (size_t i = 1; i < trace.size(); ++i) {
        const double dp = trace[i].position - trace[i - 1].position;
        const double dt = trace[i].time - trace[i - 1].time;
        back = std::max(back, -dp);
        ahead = std::max(ahead, dp - dt);
        if (dp > 0.0) still_since = trace[i].time;
        hold = std::max(hold, trace[i].time - still_since);
    }
    const double span = trace.back().time - trace.front().time;
    const double pace = (trace.back().position - trace.front().position) / span;
    std::printf("over %.2f s: pace %.5f, longest hold %.1f ms, largest step ahead %.1f ms, "
                "largest step back %.1f ms\n",
                span, pace, hold * 1000.0, ahead * 1000.0, back * 1000.0);
    bool ok = true;
    if (back > 0.0) { std::fprintf(stderr, "FAIL: the position went back\n"); ok = false; }
    if (hold > frame_seconds) { std::fprintf(stderr, "FAIL: the position froze\n"); ok = false; }
    if (ahead > frame_seconds) { std::fprintf(stderr, "FAIL: the position jumped\n"); ok = false; }
    if (std::fabs(pace - 1.0) > 0.005) { std::fprintf(stderr, "FAIL: not real-time pace\n"); ok = false; }
    return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    int result = 2;
    if (argc >= 2 && std::string(argv[1]) == "offset") result = run_offset(argc, argv);
    else if (argc >= 2 && std::string(argv[1]) == "pace") result = run_pace(argc, argv);
    else if (argc >= 2 && std::string(argv[1]) == "when") result = run_when(argc, argv);
    if (result == 2) {
        std::fprintf(stderr,
                     "usage: sync_check offset TRACK.mp3 RECORDING.raw TRACE FROM\n"
                     "       sync_check pace TRACE AFTER_TIME\n"
                     "       sync_check when TRACK.mp3 RECORDING.raw FROM POSITION\n");
    }
    return result;
}
