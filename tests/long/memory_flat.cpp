// Renders every frame of the show (298 s at 60 frames per second) offline and
// checks that the peak resident size after the first 20 s does not grow by
// more than 1 MiB by the end: nothing allocates per frame for good.

#include <sys/resource.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/offline_show.h"

namespace {

// Peak resident set size in KiB (VmHWM).
long peak_resident_kib() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
    }
    return -1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: memory_flat DATA_DIR\n");
        return 2;
    }
    // A fresh working directory that links the data, so app.log goes there.
    namespace fs = std::filesystem;
    const fs::path data = fs::absolute(argv[1]);
    std::string pattern = (fs::temp_directory_path() / "veldrakin-memory-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) return 2;
    fs::create_directory_symlink(data / "music", fs::path(pattern) / "music");
    fs::create_directory_symlink(data / "_glimmerock", fs::path(pattern) / "_glimmerock");
    fs::current_path(pattern);
    offline_show show;
    if (!show.open()) {
        std::fprintf(stderr, "the show's set-up failed\n");
        return 1;
    }
    const int64_t last = show.frame_at(show_end_seconds) - 1;
    const int64_t after_20s = show.frame_at(20.0);
    long at_20s = 0;
    for (int64_t n = 0; n <= last; ++n) {
        if (show.render(n) == nullptr) {
            std::fprintf(stderr, "the show closed early at frame %lld\n", static_cast<long long>(n));
            return 1;
        }
        if (n == after_20s) at_20s = peak_resident_kib();
    }
    const long at_end = peak_resident_kib();
    std::printf("peak resident size: %ld KiB after 20 s, %ld KiB after %lld frames (growth %ld KiB)\n",
                at_20s, at_end, static_cast<long long>(last + 1), at_end - at_20s);
    const bool flat = at_end - at_20s <= 1024;
    std::printf("%d passed, %d failed\n", flat ? 1 : 0, flat ? 0 : 1);
    fs::current_path(fs::temp_directory_path());
    fs::remove_all(pattern);
    return flat ? 0 : 1;
}
