// veldrakin-render: still frames, videos, a per-effect benchmark and a
// real-time player from any moment, all drawn by the show's own application,
// timeline and effects.

#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "effects/instruction_set.h"
#include "tools/render/commands.h"
#include "tools/render/tool_error.h"

namespace {

const char* const usage =
    "usage: veldrakin-render COMMAND [OPTIONS]\n"
    "  frame --at SECONDS [--at SECONDS...] [--fps F] [--scale K | --letterbox WxH] [--out PATH]\n"
    "        RGB PNG of frame round(SECONDS x F); with several --at, --out is a folder;\n"
    "        --letterbox: the picture fitted into W x H, centred on black\n"
    "  video --out FILE.mp4 [--fps F] [--scale K] [--from S] [--to S]\n"
    "        H.264 MP4 with the music, through ffmpeg (default scale 4)\n"
    "  bench [--frames N] [--json] [--baseline-json FILE] [--isa SET]\n"
    "        milliseconds per frame of every effect, and the show's mean fps;\n"
    "        SET (scalar, baseline, sse2, avx2, avx512) forces the instruction set\n"
    "  play  [--from SECONDS] [--windowed WxH]\n"
    "        the show in real time from that moment, with the music\n"
    "every command takes --data DIR, the folder holding music/ and _glimmerock/\n"
    "(default: the working directory); F defaults to 60. VELDRAKIN_ISA=SET in\n"
    "the environment forces the instruction set of every command.\n";

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> all(argv + 1, argv + argc);
    if (all.empty()) {
        std::fputs(usage, stderr);
        return exit_usage;
    }
    const std::string command = all.front();
    const std::vector<std::string> args(all.begin() + 1, all.end());
    try {
        std::string reason;
        if (!environment_instruction_set_valid(reason)) throw tool_error(exit_usage, reason);
        if (command == "frame") return run_frame_command(args);
        if (command == "video") return run_video_command(args);
        if (command == "bench") return run_bench_command(args);
        if (command == "play") return run_play_command(args);
        if (command == "help" || command == "--help" || command == "-h") {
            std::fputs(usage, stdout);
            return exit_ok;
        }
        throw tool_error(exit_usage, "unknown command '" + command + "' (frame, video, bench, play)");
    } catch (const tool_error& failure) {
        std::fprintf(stderr, "veldrakin-render: %s\n", failure.what());
        return failure.code;
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "veldrakin-render: %s\n", failure.what());
        return exit_failed;
    }
}
