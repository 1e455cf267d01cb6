// Records what reaches a PulseAudio source (a null sink's monitor) as raw
// signed 16-bit little-endian stereo at 44100 Hz, and estimates the wall-clock
// time (CLOCK_REALTIME seconds) at which the first recorded frame was at the
// source: for every fragment read, the time of the read minus the latency
// the server reports minus the frames read so far; the median of those
// estimates is printed as "first_frame_time SECONDS".
//
// Beside OUT.raw, OUT.raw.timing gets one line per fragment: the frames
// recorded so far and the estimated wall-clock time of the last of them (the
// server drops what a slow reader misses, so the frame count alone does not
// give the time).
//
// Usage: sink_recorder SOURCE SECONDS OUT.raw
// Prints "recording" once it records and "sound" at the first fragment that
// is not silence.
// Ends after SECONDS, on SIGTERM, or when the server goes away (what was
// recorded until then is kept).

#include <pulse/error.h>
#include <pulse/simple.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr int rate = 44100;
constexpr int fragment_frames = 441;  // 10 ms

std::atomic<bool> stop_requested{false};
void on_signal(int) { stop_requested = true; }

double wall_seconds() {
    return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: sink_recorder SOURCE SECONDS OUT.raw\n");
        return 2;
    }
    const char* source = argv[1];
    const double seconds = std::atof(argv[2]);
    std::FILE* out = std::fopen(argv[3], "wb");
    if (out == nullptr) {
        std::perror(argv[3]);
        return 1;
    }
    std::FILE* timing = std::fopen((std::string(argv[3]) + ".timing").c_str(), "w");
    if (timing == nullptr) {
        std::perror("timing");
        return 1;
    }
    std::signal(SIGTERM, on_signal);
    std::signal(SIGINT, on_signal);

    pa_sample_spec format{};
    format.format = PA_SAMPLE_S16LE;
    format.rate = rate;
    format.channels = 2;
    pa_buffer_attr attr{};
    attr.maxlength = static_cast<uint32_t>(-1);
    attr.tlength = static_cast<uint32_t>(-1);
    attr.prebuf = static_cast<uint32_t>(-1);
    attr.minreq = static_cast<uint32_t>(-1);
    attr.fragsize = fragment_frames * 4;
    int error = 0;
    pa_simple* stream = pa_simple_new(nullptr, "veldrakin-test", PA_STREAM_RECORD, source,
                                      "sink recording", &format, nullptr, &attr, &error);
    if (stream == nullptr) {
        std::fprintf(stderr, "sink_recorder: %s\n", pa_strerror(error));
        return 1;
    }
    std::printf("recording\n");
    std::fflush(stdout);

    std::vector<int16_t> fragment(fragment_frames * 2);
    std::vector<double> estimates;
    long long frames = 0;
    bool heard = false;  // something but silence was recorded
    const double start = wall_seconds();
    while (!stop_requested && wall_seconds() - start < seconds) {
        if (pa_simple_read(stream, fragment.data(), fragment.size() * 2, &error) < 0) {
            std::fprintf(stderr, "sink_recorder: read: %s\n", pa_strerror(error));
            break;
        }
        const double now = wall_seconds();
        const pa_usec_t latency = pa_simple_get_latency(stream, &error);
        frames += fragment_frames;
        if (latency != static_cast<pa_usec_t>(-1)) {
            const double heard = now - static_cast<double>(latency) / 1e6;
            estimates.push_back(heard - static_cast<double>(frames) / rate);
            std::fprintf(timing, "%lld %.6f\n", frames, heard);
        }
        std::fwrite(fragment.data(), 2, fragment.size(), out);
        if (!heard) {
            for (int16_t v : fragment) heard = heard || v != 0;
            if (heard) {
                std::printf("sound\n");
                std::fflush(stdout);
            }
        }
    }
    std::fclose(out);
    std::fclose(timing);
    pa_simple_free(stream);
    if (estimates.empty()) {
        std::fprintf(stderr, "sink_recorder: no timing\n");
        return 1;
    }
    std::sort(estimates.begin(), estimates.end());
    std::printf("first_frame_time %.6f\nframes %lld\n", estimates[estimates.size() / 2], frames);
    return 0;
}
