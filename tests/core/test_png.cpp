// PNG loading: row orders of the two 8-bit layouts, expansion of the others,
// and failures that leave the texture as it was.

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <vector>

#include "core/texture.h"
#include "support/test_support.h"

using vdk::core::texture_gdi;
using vdk::test::scoped_work_dir;
using vdk::test::write_png;

namespace {

// 320 x 240: top-left red with alpha 0x80, bottom-left green, rest blue.
std::vector<uint32_t> marked_picture() {
    std::vector<uint32_t> pixels(320 * 240, 0xFF0000FFu);
    pixels[0] = 0x80FF0000u;
    pixels[239 * 320] = 0xFF00FF00u;
    return pixels;
}

void write_bytes(const char* path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// Writes a PNG of another layout (grey, palette, 16-bit...).
void write_png_layout(const char* path, int width, int height, int bit_depth, int color_type,
                      const std::vector<uint8_t>& rows_bytes, const std::vector<uint8_t>& palette = {}) {
    vdk::test::write_png_rows(path, width, height, bit_depth, color_type, rows_bytes, palette);
}

}  // namespace

TEST(png, rgba_keeps_the_pictures_orientation_and_alpha) {
    scoped_work_dir dir;
    write_png("rgba.png", 320, 240, marked_picture(), true);
    texture_gdi t;
    ASSERT_EQ(t.load_png("rgba.png"), 0);
    EXPECT_EQ(t.width(), 320);
    EXPECT_EQ(t.height(), 240);
    EXPECT_EQ(t.lock()[0], 0x80FF0000u);
    EXPECT_EQ(t.lock()[239 * 320], 0xFF00FF00u);
    EXPECT_EQ(t.lock()[1], 0xFF0000FFu);
}

TEST(png, rgb_arrives_upside_down_and_opaque) {
    scoped_work_dir dir;
    write_png("rgb.png", 320, 240, marked_picture(), false);
    texture_gdi t;
    ASSERT_EQ(t.load_png("rgb.png"), 0);
    EXPECT_EQ(t.lock()[239 * 320], 0xFFFF0000u);  // the file's top-left pixel
    EXPECT_EQ(t.lock()[0], 0xFF00FF00u);          // the file's bottom-left pixel
}

TEST(png, odd_width_rgb_rows_are_unpadded_in_the_texture) {
    scoped_work_dir dir;
    std::vector<uint32_t> pixels(3 * 2);
    for (int i = 0; i < 6; ++i) pixels[i] = 0xFF000000u | static_cast<uint32_t>(i + 1);
    write_png("small.png", 3, 2, pixels, false);
    texture_gdi t;
    ASSERT_EQ(t.load_png("small.png"), 0);
    EXPECT_EQ(t.lock()[0], 0xFF000004u);
    EXPECT_EQ(t.lock()[2], 0xFF000006u);
    EXPECT_EQ(t.lock()[3], 0xFF000001u);
}

TEST(png, grey_palette_and_16_bit_files_expand_to_the_picture_they_hold) {
    scoped_work_dir dir;
    using namespace vdk::test;
    write_png_layout("grey.png", 2, 1, 8, png_grey, {0x10, 0xF0});
    write_png_layout("grey_alpha.png", 1, 1, 8, png_grey_alpha, {0x40, 0x80});
    write_png_layout("palette.png", 2, 1, 8, png_palette, {1, 0}, {0, 0, 0, 0x11, 0x22, 0x33});
    write_png_layout("rgb16.png", 1, 1, 16, png_rgb, {0xAB, 0, 0xCD, 0, 0xEF, 0});
    texture_gdi grey, grey_alpha, palette, rgb16;
    ASSERT_EQ(grey.load_png("grey.png"), 0);
    EXPECT_EQ(grey.lock()[0], 0xFF101010u);
    EXPECT_EQ(grey.lock()[1], 0xFFF0F0F0u);
    ASSERT_EQ(grey_alpha.load_png("grey_alpha.png"), 0);
    EXPECT_EQ(grey_alpha.lock()[0], 0x80404040u);
    ASSERT_EQ(palette.load_png("palette.png"), 0);
    EXPECT_EQ(palette.lock()[0], 0xFF112233u);
    EXPECT_EQ(palette.lock()[1], 0xFF000000u);
    ASSERT_EQ(rgb16.load_png("rgb16.png"), 0);
    EXPECT_EQ(rgb16.lock()[0], 0xFFABCDEFu);
}

TEST(png, bad_files_fail_and_leave_the_texture_as_it_was) {
    scoped_work_dir dir;
    write_bytes("short.png", "\x89PNG");
    write_bytes("photo.jpg", std::string("\xFF\xD8\xFF\xE0\x00\x10JFIF\x00\x01\x01\x00", 14));
    write_png("whole.png", 320, 240, marked_picture(), true);
    const std::string whole = vdk::test::read_file("whole.png");
    write_bytes("truncated.png", whole.substr(0, whole.size() / 2));
    std::string bad_crc = whole;
    bad_crc[30] ^= 0x5A;  // inside the header chunk, covered by its CRC
    write_bytes("bad_crc.png", bad_crc);

    for (const char* path : {"short.png", "photo.jpg", "missing.png", "truncated.png", "bad_crc.png"}) {
        texture_gdi t;
        t.create(1, 1);
        t.lock()[0] = 0x12345678u;
        EXPECT_EQ(t.load_png(path), -1) << path;
        EXPECT_EQ(t.width(), 1) << path;
        EXPECT_EQ(t.lock()[0], 0x12345678u) << path;
    }
}

TEST(png, absurd_dimensions_are_refused_before_allocating) {
    scoped_work_dir dir;
    // A valid 1 x 1 file whose header then claims 100000 x 100000 (CRC fixed).
    write_png("one.png", 1, 1, {0xFF000000u}, true);
    std::string bytes = vdk::test::read_file("one.png");
    auto put32 = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>(v >> (24 - 8 * i));
    };
    put32(16, 100000);
    put32(20, 100000);
    const uint32_t crc =
        vdk::test::crc32_of(reinterpret_cast<const uint8_t*>(bytes.data() + 12), 17);
    put32(29, crc);
    write_bytes("huge.png", bytes);
    texture_gdi t;
    EXPECT_EQ(t.load_png("huge.png"), -1);
    EXPECT_EQ(t.lock(), nullptr);
}

TEST(png, sixteen_bit_channels_keep_their_high_byte_and_transparency_applies_to_palettes_only) {
    scoped_work_dir dir;
    using namespace vdk::test;
    // 0x00FF and 0xFF00 tell cutting (0x00, 0xFF) from rounding (0x01, 0xFE).
    write_png_layout("rgba16.png", 1, 1, 16, png_rgba, {0x00, 0xFF, 0xFF, 0x00, 0x80, 0x7F, 0x12, 0x34});
    write_png_layout("grey16.png", 1, 1, 16, png_grey, {0x7F, 0xFF});
    texture_gdi rgba16, grey16;
    ASSERT_EQ(rgba16.load_png("rgba16.png"), 0);
    EXPECT_EQ(rgba16.lock()[0], 0x1200FF80u);
    ASSERT_EQ(grey16.load_png("grey16.png"), 0);
    EXPECT_EQ(grey16.lock()[0], 0xFF7F7F7Fu);

    // A palette's transparency chunk becomes alpha; an 8-bit RGB file's does
    // not (it loads as plain RGB, opaque and upside down).
    std::string palette_file;
    write_png_layout("palette.png", 2, 1, 8, png_palette, {0, 1}, {0x10, 0x20, 0x30, 0x40, 0x50, 0x60});
    palette_file = read_file("palette.png");
    const std::string trns_data("\x40", 1);
    std::string chunk("\0\0\0\1tRNS", 8);
    chunk += trns_data;
    const uint32_t crc = crc32_of(reinterpret_cast<const uint8_t*>(chunk.data() + 4), 5);
    for (int i = 3; i >= 0; --i) chunk.push_back(static_cast<char>(crc >> (8 * i)));
    const size_t idat = palette_file.find("IDAT") - 4;
    write_bytes("palette_trns.png", palette_file.substr(0, idat) + chunk + palette_file.substr(idat));
    texture_gdi palette;
    ASSERT_EQ(palette.load_png("palette_trns.png"), 0);
    EXPECT_EQ(palette.lock()[0], 0x40102030u);
    EXPECT_EQ(palette.lock()[1], 0xFF405060u);
}

TEST(png, sides_up_to_16384_load_and_longer_ones_are_refused) {
    scoped_work_dir dir;
    using namespace vdk::test;
    write_png_layout("wide.png", 16384, 1, 8, png_rgba, std::vector<uint8_t>(16384 * 4, 0x7F));
    write_png_layout("too_wide.png", 16385, 1, 8, png_rgba, std::vector<uint8_t>(16385 * 4, 0x7F));
    texture_gdi wide, too_wide;
    EXPECT_EQ(wide.load_png("wide.png"), 0);
    EXPECT_EQ(wide.width(), 16384);
    EXPECT_EQ(too_wide.load_png("too_wide.png"), -1);
    EXPECT_EQ(too_wide.lock(), nullptr);
}
