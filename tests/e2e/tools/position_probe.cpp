// Plays the show's track through the show's own audio player (the sound card,
// or the silent output when none opens) and writes the music position it
// reports, read as a frame reads it, with the wall-clock time of each
// reading: one line "REALTIME_SECONDS POSITION_SECONDS" every millisecond or
// two. Run in a folder holding music/; the player logs to app.log there.
//
// Usage: position_probe --from SECONDS --seconds SECONDS --out TRACE
// Prints "output NAME" and "latency MS" (what the output assumes lies
// between handing samples over and hearing them).

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <thread>

#include "app/my_app.h"
#include "core/window_headless.h"

namespace {

double wall_seconds() {
    return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

}  // namespace

int main(int argc, char** argv) {
    double from = 0.0;
    double seconds = 5.0;
    const char* out_path = nullptr;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--from") == 0) from = std::atof(argv[i + 1]);
        else if (std::strcmp(argv[i], "--seconds") == 0) seconds = std::atof(argv[i + 1]);
        else if (std::strcmp(argv[i], "--out") == 0) out_path = argv[i + 1];
    }
    if (out_path == nullptr) {
        std::fprintf(stderr, "usage: position_probe --from S --seconds S --out TRACE\n");
        return 2;
    }
    // The application only lends its logger; its own player is not used.
    my_app app{std::make_unique<vdk::core::headless_window>(),
               std::make_unique<vdk::core::scripted_output>()};
    vdk::core::audio_player player;
    vdk::core::audio_stream music;
    player.init(&app);
    if (!player.load(music, music_path)) {
        std::fprintf(stderr, "position_probe: cannot load %s\n", music_path);
        return 1;
    }
    std::printf("output %s\nlatency %.1f\n", player.output()->name().c_str(),
                player.output()->latency() * 1000.0);
    std::fflush(stdout);
    std::FILE* out = std::fopen(out_path, "w");
    if (out == nullptr) {
        std::perror(out_path);
        return 1;
    }
    player.seek(music, from);
    player.play(music);
    const double start = wall_seconds();
    for (;;) {
        const double position = player.position(music);
        const double now = wall_seconds();
        std::fprintf(out, "%.6f %.6f\n", now, position);
        if (now - start >= seconds) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    std::fclose(out);
    std::printf("output_at_end %s\n", player.output()->name().c_str());
    return 0;
}
