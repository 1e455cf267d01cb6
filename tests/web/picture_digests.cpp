// What the PNG loader makes of every picture in a folder: one line per file,
// "path result width height checksum", checksum the CRC-32 of the pixels as
// 0xAARRGGBB words (little-endian). Built for the desktop (libpng) and for
// WebAssembly (stb_image, run under node), so that the two lists can be
// compared line by line.
//
//   picture_digests FOLDER...          the digests, files in path order
//   picture_digests --layouts FOLDER   (desktop only) writes PNG files of
//                                      every layout and of damaged kinds

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/texture.h"

#ifndef __EMSCRIPTEN__
#include "support/test_support.h"
#endif

namespace fs = std::filesystem;

namespace {

uint32_t crc32_of_words(const uint32_t* words, size_t count) {
    uint32_t c = 0xFFFFFFFFu;
    for (size_t i = 0; i < count; ++i) {
        for (int b = 0; b < 4; ++b) {
            c ^= (words[i] >> (8 * b)) & 0xFF;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        }
    }
    return c ^ 0xFFFFFFFFu;
}

int print_digests(const fs::path& folder) {
    std::vector<fs::path> files;
    std::error_code error;
    for (fs::recursive_directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        if (it->is_regular_file()) files.push_back(it->path());
    }
    if (error) {
        std::fprintf(stderr, "cannot list %s\n", folder.string().c_str());
        return 1;
    }
    std::sort(files.begin(), files.end());
    for (const fs::path& file : files) {
        vdk::core::texture_gdi texture;
        const int result = texture.load_png(file.string());
        const uint32_t* pixels = texture.lock();
        const size_t count = static_cast<size_t>(texture.width()) * texture.height();
        const uint32_t digest = pixels != nullptr ? crc32_of_words(pixels, count) : 0;
        std::printf("%s %d %d %d %08x\n", fs::relative(file, folder).generic_string().c_str(), result,
                    texture.width(), texture.height(), digest);
    }
    return 0;
}

#ifndef __EMSCRIPTEN__
void write_bytes(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string with_chunk_before_data(const std::string& file, const std::string& type, const std::string& data) {
    std::string chunk;
    for (int i = 3; i >= 0; --i) chunk.push_back(static_cast<char>(data.size() >> (8 * i)));
    chunk += type + data;
    const uint32_t crc = vdk::test::crc32_of(reinterpret_cast<const uint8_t*>(chunk.data() + 4),
                                             chunk.size() - 4);
    for (int i = 3; i >= 0; --i) chunk.push_back(static_cast<char>(crc >> (8 * i)));
    const size_t idat = file.find("IDAT") - 4;
    return file.substr(0, idat) + chunk + file.substr(idat);
}

// Every layout the loaders know, with values that tell the conversions
// apart (cutting from rounding 16-bit channels, low-depth grey scaling,
// transparency), and files that must fail.
int write_layouts(const fs::path& folder) {
    using namespace vdk::test;
    fs::create_directories(folder);
    const auto at = [&](const char* name) { return folder / name; };
    std::vector<uint32_t> picture(7 * 5);
    for (size_t i = 0; i < picture.size(); ++i) picture[i] = 0x01000000u * (i * 7) ^ (0x9E3779B9u * i);
    write_png(at("rgba.png"), 7, 5, picture, true);
    write_png(at("rgb.png"), 7, 5, picture, false);
    write_png_rows(at("grey8.png"), 3, 1, 8, png_grey, {0x00, 0x7F, 0xFF});
    write_png_rows(at("grey1.png"), 8, 1, 1, png_grey, {0xA5});
    write_png_rows(at("grey2.png"), 4, 1, 2, png_grey, {0x1B});
    write_png_rows(at("grey4.png"), 2, 1, 4, png_grey, {0x3C});
    write_png_rows(at("grey16.png"), 2, 1, 16, png_grey, {0x7F, 0xFF, 0x00, 0xFF});
    write_png_rows(at("grey_alpha.png"), 2, 1, 8, png_grey_alpha, {0x40, 0x80, 0xFF, 0x01});
    write_png_rows(at("grey_alpha16.png"), 1, 1, 16, png_grey_alpha, {0x12, 0x34, 0xFE, 0xFF});
    write_png_rows(at("palette.png"), 3, 1, 8, png_palette, {2, 0, 1},
                   {0x10, 0x20, 0x30, 0x40, 0x50, 0x60, 0x70, 0x80, 0x90});
    write_png_rows(at("palette2.png"), 4, 1, 2, png_palette, {0xE4},
                   {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12});
    write_png_rows(at("rgb16.png"), 1, 1, 16, png_rgb, {0xAB, 0x00, 0xCD, 0xFF, 0xEF, 0x80});
    write_png_rows(at("rgba16.png"), 1, 1, 16, png_rgba, {0x00, 0xFF, 0xFF, 0x00, 0x80, 0x7F, 0x12, 0x34});

    const std::string palette = read_file(at("palette.png"));
    write_bytes(at("palette_trns.png"), with_chunk_before_data(palette, "tRNS", std::string("\x40\x00", 2)));
    const std::string rgb = read_file(at("rgb.png"));
    write_bytes(at("rgb_trns.png"), with_chunk_before_data(rgb, "tRNS", std::string(6, '\0')));
    const std::string grey = read_file(at("grey8.png"));
    write_bytes(at("grey_trns.png"), with_chunk_before_data(grey, "tRNS", std::string("\x00\x7F", 2)));

    const std::string whole = read_file(at("rgba.png"));
    write_bytes(at("bad_truncated.png"), whole.substr(0, whole.size() / 2));
    std::string bad_crc = whole;
    bad_crc[30] ^= 0x5A;
    write_bytes(at("bad_header_crc.png"), bad_crc);
    std::string bad_data = whole;
    bad_data[whole.find("IDAT") + 6] ^= 0x01;
    write_bytes(at("bad_data_crc.png"), bad_data);
    write_bytes(at("bad_short.png"), "\x89PNG");
    write_bytes(at("bad_jpeg.png"), std::string("\xFF\xD8\xFF\xE0\x00\x10JFIF\x00\x01\x01\x00", 14));
    write_png_rows(at("bad_too_wide.png"), 16385, 1, 8, png_rgba, std::vector<uint8_t>(16385 * 4, 0x7F));
    return 0;
}
#endif

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: picture_digests FOLDER... | --layouts FOLDER\n");
        return 2;
    }
#ifndef __EMSCRIPTEN__
    if (std::string(argv[1]) == "--layouts") return argc == 3 ? write_layouts(argv[2]) : 2;
#endif
    int status = 0;
    for (int i = 1; i < argc; ++i) status |= print_digests(argv[i]);
    return status;
}
