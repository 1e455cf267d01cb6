// PNG encoding with libpng: RGBA, 8 bits per channel, fixed compression level
// and filters, no time or text chunks.

#include <png.h>

#include <cstdio>
#include <memory>

#include "tools/assets/image.h"

namespace assets {

namespace {

void append_bytes(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

void no_flush(png_structp) {}

// Owns the write structures so that a long jump out of libpng frees them.
struct png_writer {
    png_structp png = nullptr;
    png_infop info = nullptr;
    png_writer() {
        png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
        if (png != nullptr) info = png_create_info_struct(png);
    }
    ~png_writer() { png_destroy_write_struct(&png, info != nullptr ? &info : nullptr); }
};

}  // namespace

std::vector<uint8_t> encode_png(const image& picture) {
    std::vector<uint8_t> out;
    png_writer writer;
    if (writer.png == nullptr || writer.info == nullptr) return {};
    std::vector<png_const_bytep> rows(static_cast<size_t>(picture.height));
    for (int y = 0; y < picture.height; ++y) rows[static_cast<size_t>(y)] = picture.at(0, y);
    if (setjmp(png_jmpbuf(writer.png))) return {};
    png_set_write_fn(writer.png, &out, append_bytes, no_flush);
    png_set_IHDR(writer.png, writer.info, static_cast<png_uint_32>(picture.width),
                 static_cast<png_uint_32>(picture.height), 8, PNG_COLOR_TYPE_RGB_ALPHA,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(writer.png, 6);
    png_set_filter(writer.png, PNG_FILTER_TYPE_BASE, PNG_ALL_FILTERS);
    png_write_info(writer.png, writer.info);
    png_write_image(writer.png, const_cast<png_bytepp>(rows.data()));
    png_write_end(writer.png, nullptr);
    return out;
}

bool write_png(const std::string& path, const image& picture) {
    const std::vector<uint8_t> data = encode_png(picture);
    if (data.empty()) return false;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "wb"),
                                                         &std::fclose);
    if (!file) return false;
    return std::fwrite(data.data(), 1, data.size(), file.get()) == data.size();
}

}  // namespace assets
