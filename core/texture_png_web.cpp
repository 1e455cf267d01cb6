// PNG decoding into a texture in the web build, with stb_image (Debian's
// libstb-dev) compiled in, and the same results as the libpng loader of the
// desktop build: a browser's own image decoding may convert colours or
// premultiply alpha, this gives the file's exact bytes.
//
// 8-bit RGBA files keep their orientation; 8-bit RGB files arrive bottom row
// first and opaque; every other layout (grey, palette, grey with alpha, 16-bit
// channels) loads as 8-bit RGBA, top row first, 16-bit channels cut to their
// high byte, transparency chunks turned into alpha. The signature, the header
// and the chunk checksums are checked first (core/png_chunks.cpp), as on
// Windows; a truncated or undecodable image fails with -1 before the texture
// changes.

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#define STBI_NO_STDIO
#define STBI_NO_HDR
#define STBI_NO_LINEAR
#define STBI_NO_FAILURE_STRINGS
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wunused-parameter"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#endif
#include <stb_image.h>
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

#include <cstring>
#include <memory>
#include <vector>

#include "core/png_chunks.h"
#include "core/texture.h"

namespace vdk::core {

namespace {

struct stbi_pixels {
    unsigned char* data = nullptr;
    ~stbi_pixels() {
        if (data != nullptr) stbi_image_free(data);
    }
};

}  // namespace

int texture::load_png(std::string path) {
    std::vector<unsigned char> file;
    png_header header;
    if (!read_checked_png(path, file, header)) return -1;
    if (file.size() > 0x7FFFFFFFu) return -1;

    // 8-bit RGB stays three channels (a transparency chunk is ignored, as
    // the desktop loader does); everything else becomes RGBA.
    const bool plain_rgb = header.bit_depth == 8 && header.color_type == png_rgb;
    const int channels = plain_rgb ? 3 : 4;
    int width = 0;
    int height = 0;
    int file_channels = 0;
    stbi_pixels decoded;
    decoded.data = stbi_load_from_memory(file.data(), static_cast<int>(file.size()), &width, &height,
                                         &file_channels, channels);
    if (decoded.data == nullptr || static_cast<uint32_t>(width) != header.width ||
        static_cast<uint32_t>(height) != header.height) {
        return -1;
    }

    const int created = create(width, height);
    if (created != 0) return created;

    uint32_t* target = lock();
    if (target != nullptr) {
        for (int y = 0; y < height; ++y) {
            // 8-bit RGB lies bottom row first: texture row y holds the file's
            // row height - 1 - y.
            const int source_row = plain_rgb ? height - 1 - y : y;
            const unsigned char* row =
                decoded.data + static_cast<size_t>(source_row) * width * channels;
            uint32_t* out = target + static_cast<size_t>(y) * width;
            for (int x = 0; x < width; ++x) {
                const unsigned char* p = row + static_cast<size_t>(x) * channels;
                const uint32_t alpha = plain_rgb ? 0xFFu : p[3];
                out[x] = alpha << 24 | static_cast<uint32_t>(p[0]) << 16 |
                         static_cast<uint32_t>(p[1]) << 8 | p[2];
            }
        }
    }
    unlock();
    return 0;
}

}  // namespace vdk::core
