// libFuzzer target for the PNG loader: arbitrary bytes in, load_png must
// return 0 or -1 and leave the texture consistent; the sanitizers catch any
// read or write out of bounds and any leak.

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/texture.h"

namespace {

std::string input_path() {
    static const std::string path = [] {
        char name[] = "/tmp/veldrakin-fuzz-XXXXXX";
        const int fd = mkstemp(name);
        if (fd >= 0) close(fd);
        return std::string(name);
    }();
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = input_path();
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return 0;
    std::fwrite(data, 1, size, file);
    std::fclose(file);

    vdk::core::texture_gdi texture;
    const int result = texture.load_png(path);
    if (result != 0 && result != -1) std::abort();
    if (result == 0) {
        const int w = texture.width();
        const int h = texture.height();
        if (w <= 0 || h <= 0 || texture.lock() == nullptr) std::abort();
        // Touch every pixel so that a short allocation shows up.
        uint32_t sum = 0;
        for (int i = 0; i < w * h; ++i) sum += texture.lock()[i];
        if (sum == 0xFFFFFFFFu && w < 0) std::abort();
        (void)texture.sample(0.5, 0.5);
    } else if (texture.lock() != nullptr || texture.width() != -1) {
        std::abort();  // a failure must leave the empty texture empty
    }
    return 0;
}
