// PNG decoding into a texture with libpng.
//
// 8-bit RGBA files keep their orientation; 8-bit RGB files arrive bottom row
// first (callers that care save RGBA). Every other layout (grey, palette, grey
// with alpha, 16-bit channels) is expanded by libpng to 8-bit RGBA so that it
// loads as the picture it holds.

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/texture.h"

namespace vdk::core {

namespace {

// Largest width or height accepted; a header asking for more is refused
// before anything is allocated.
constexpr png_uint_32 max_png_side = 16384;

// Everything a decode holds, freed by the destructor whichever way the decode
// ends. It lives in the caller's frame, outside the function that sets the
// long-jump point, so a jump back skips no destructor.
struct png_reader {
    std::FILE* file = nullptr;
    png_structp png = nullptr;
    png_infop info = nullptr;
    png_infop end_info = nullptr;
    unsigned char* buffer = nullptr;
    png_bytep* rows = nullptr;
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    size_t row_bytes = 0;
    size_t padded_row_bytes = 0;

    ~png_reader() {
        if (png != nullptr) png_destroy_read_struct(&png, &info, &end_info);
        std::free(rows);
        std::free(buffer);
        if (file != nullptr) std::fclose(file);
    }
};

// Header, transformations and the whole image into reader.buffer, with the
// decoded rows laid bottom row first. Returns false on any libpng error.
bool decode_image(png_reader& reader) {
    if (setjmp(png_jmpbuf(reader.png))) return false;

    png_init_io(reader.png, reader.file);
    png_set_sig_bytes(reader.png, 8);
    png_set_user_limits(reader.png, max_png_side, max_png_side);
    png_read_info(reader.png, reader.info);

    int bit_depth = 0;
    int color_type = 0;
    png_get_IHDR(reader.png, reader.info, &reader.width, &reader.height, &bit_depth, &color_type,
                 nullptr, nullptr, nullptr);

    const bool plain_8bit = bit_depth == 8 && (color_type == PNG_COLOR_TYPE_RGB ||
                                               color_type == PNG_COLOR_TYPE_RGB_ALPHA);
    if (!plain_8bit) {
        png_set_expand(reader.png);  // palette, low-depth grey, tRNS -> full channels
        png_set_strip_16(reader.png);
        png_set_gray_to_rgb(reader.png);
        if ((color_type & PNG_COLOR_MASK_ALPHA) == 0 &&
            !png_get_valid(reader.png, reader.info, PNG_INFO_tRNS)) {
            png_set_add_alpha(reader.png, 0xFF, PNG_FILLER_AFTER);
        }
    }
    png_set_interlace_handling(reader.png);
    png_read_update_info(reader.png, reader.info);

    reader.row_bytes = png_get_rowbytes(reader.png, reader.info);
    if (reader.row_bytes == 0 || reader.height == 0) return false;
    reader.padded_row_bytes = reader.row_bytes + 3 - ((reader.row_bytes - 1) % 4);

    reader.buffer = static_cast<unsigned char*>(
        std::malloc(reader.padded_row_bytes * reader.height + 15));
    reader.rows = static_cast<png_bytep*>(std::malloc(reader.height * sizeof(png_bytep)));
    if (reader.buffer == nullptr || reader.rows == nullptr) return false;
    for (png_uint_32 i = 0; i < reader.height; ++i) {
        reader.rows[i] = reader.buffer + (reader.height - 1 - i) * reader.padded_row_bytes;
    }

    png_read_image(reader.png, reader.rows);
    return true;
}

}  // namespace

int texture::load_png(std::string path) {
    png_reader reader;
    reader.file = std::fopen(path.c_str(), "rb");
    if (reader.file == nullptr) return -1;

    png_byte signature[8];
    if (std::fread(signature, 1, 8, reader.file) != 8 || png_sig_cmp(signature, 0, 8) != 0) {
        return -1;
    }

    reader.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (reader.png == nullptr) return -1;
    reader.info = png_create_info_struct(reader.png);
    reader.end_info = png_create_info_struct(reader.png);
    if (reader.info == nullptr || reader.end_info == nullptr) return -1;

    if (!decode_image(reader)) return -1;

    const int w = static_cast<int>(reader.width);
    const int h = static_cast<int>(reader.height);
    const int created = create(w, h);
    if (created != 0) return created;

    uint32_t* target = lock();
    if (target != nullptr) {
        const size_t bytes_per_pixel = reader.row_bytes / reader.width;
        if (bytes_per_pixel == 4) {
            // Top row first, as in the file; R,G,B,A bytes become 0xAARRGGBB.
            for (int y = 0; y < h; ++y) {
                const unsigned char* row = reader.rows[y];
                uint32_t* out = target + static_cast<size_t>(y) * w;
                for (int x = 0; x < w; ++x) {
                    const unsigned char* p = row + 4 * x;
                    out[x] = static_cast<uint32_t>(p[3]) << 24 | static_cast<uint32_t>(p[0]) << 16 |
                             static_cast<uint32_t>(p[1]) << 8 | p[2];
                }
            }
        } else if (bytes_per_pixel == 3) {
            // Bottom row first: texture row y holds the file's row h - 1 - y.
            for (int y = 0; y < h; ++y) {
                const unsigned char* row = reader.rows[h - 1 - y];
                uint32_t* out = target + static_cast<size_t>(y) * w;
                for (int x = 0; x < w; ++x) {
                    const unsigned char* p = row + 3 * x;
                    out[x] = 0xFF000000u | static_cast<uint32_t>(p[0]) << 16 |
                             static_cast<uint32_t>(p[1]) << 8 | p[2];
                }
            }
        }
    }
    unlock();
    return 0;
}

}  // namespace vdk::core
