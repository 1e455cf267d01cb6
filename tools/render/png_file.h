#pragma once
// Frames as PNG files: 8-bit RGB, each pixel of the frame a scale x scale
// block (nearest neighbour). The file is written under a temporary name in
// the same folder and renamed when complete, so a failure leaves nothing
// under the requested name.

#include <cstdint>
#include <filesystem>
#include <string>

// Writes width x height 0xAARRGGBB pixels, top row first. Returns "" or
// the reason the file could not be written.
std::string write_rgb_png(const std::filesystem::path& path, const uint32_t* pixels, int width,
                          int height, int scale);
