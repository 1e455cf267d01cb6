// The PNG checks shared by the loaders that decode through another decoder.

#include "core/png_chunks.h"

#include <array>
#include <cstdio>
#include <cstring>

namespace vdk::core {

namespace {

constexpr unsigned char png_signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

uint32_t read_be32(const unsigned char* p) {
    return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 |
           static_cast<uint32_t>(p[2]) << 8 | p[3];
}

uint32_t crc32_of(const unsigned char* data, size_t length) {
    static const std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    uint32_t c = 0xFFFFFFFFu;
    for (size_t i = 0; i < length; ++i) c = table[(c ^ data[i]) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

bool valid_layout(int bit_depth, int color_type) {
    switch (color_type) {
        case png_grey: return bit_depth == 1 || bit_depth == 2 || bit_depth == 4 || bit_depth == 8 ||
                          bit_depth == 16;
        case png_palette: return bit_depth == 1 || bit_depth == 2 || bit_depth == 4 || bit_depth == 8;
        case png_rgb:
        case png_grey_alpha:
        case png_rgba: return bit_depth == 8 || bit_depth == 16;
        default: return false;
    }
}

}  // namespace

bool read_png_file(const std::string& path, std::vector<unsigned char>& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return false;
    unsigned char chunk[1 << 16];
    size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof(chunk), file)) > 0) {
        bytes.insert(bytes.end(), chunk, chunk + got);
    }
    const bool ok = std::ferror(file) == 0;
    std::fclose(file);
    return ok;
}

bool has_png_signature(const std::vector<unsigned char>& file) {
    return file.size() >= 8 && std::memcmp(file.data(), png_signature, 8) == 0;
}

bool check_png_chunks(const std::vector<unsigned char>& file, png_header& header) {
    size_t at = 8;
    bool header_seen = false;
    bool in_image_data = false;
    while (at + 8 <= file.size()) {
        const uint32_t length = read_be32(&file[at]);
        const unsigned char* type = &file[at + 4];
        const bool is_header = std::memcmp(type, "IHDR", 4) == 0;
        const bool is_data = std::memcmp(type, "IDAT", 4) == 0;
        if (!header_seen && !is_header) return false;
        if (in_image_data && !is_data) break;
        if (length > 0x7FFFFFFFu || file.size() - at < 12 + static_cast<size_t>(length)) break;  // truncated
        const bool critical = (type[0] & 0x20) == 0;
        const uint32_t stored = read_be32(&file[at + 8 + length]);
        if (critical && crc32_of(type, length + 4) != stored) return false;
        if (is_header) {
            if (header_seen || length != 13) return false;
            const unsigned char* d = &file[at + 8];
            header.width = read_be32(d);
            header.height = read_be32(d + 4);
            header.bit_depth = d[8];
            header.color_type = d[9];
            if (header.width == 0 || header.height == 0 || header.width > max_png_side ||
                header.height > max_png_side || !valid_layout(header.bit_depth, header.color_type) ||
                d[10] != 0 || d[11] != 0 || d[12] > 1) {
                return false;
            }
            header_seen = true;
        }
        if (is_data) in_image_data = true;
        at += 12 + static_cast<size_t>(length);
    }
    return header_seen;
}

bool read_checked_png(const std::string& path, std::vector<unsigned char>& file, png_header& header) {
    return read_png_file(path, file) && has_png_signature(file) && check_png_chunks(file, header);
}

}  // namespace vdk::core
