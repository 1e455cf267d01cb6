#pragma once
// What the PNG loaders that hand the decoding to someone else's decoder (the
// platform's image codec, or a small decoder compiled in) check themselves,
// so that every platform accepts and refuses the same files and picks the
// same pixel layout: the signature, the header, and the checksums of the
// critical chunks up to the end of the image data.

#include <cstdint>
#include <string>
#include <vector>

namespace vdk::core {

// Largest width or height accepted.
constexpr uint32_t max_png_side = 16384;

enum png_color_type : int { png_grey = 0, png_rgb = 2, png_palette = 3, png_grey_alpha = 4, png_rgba = 6 };

struct png_header {
    uint32_t width = 0;
    uint32_t height = 0;
    int bit_depth = 0;
    int color_type = 0;
};

// The whole file; false when it cannot be read.
bool read_png_file(const std::string& path, std::vector<unsigned char>& bytes);

// True when the file starts with the PNG signature.
bool has_png_signature(const std::vector<unsigned char>& file);

// Walks the chunks up to the end of the image data, as a decoder that reads
// the image and stops there would: the header must come first and be sane,
// and every critical chunk read on the way must carry its right checksum
// (damaged ancillary chunks are skipped, as decoders do). A file that ends
// inside this stretch is left to the decoder, which fails on missing data.
bool check_png_chunks(const std::vector<unsigned char>& file, png_header& header);

// The file at path, read whole, with its signature and chunks checked as
// above: what a loader hands to its decoder. False when any step fails.
bool read_checked_png(const std::string& path, std::vector<unsigned char>& file, png_header& header);

}  // namespace vdk::core
