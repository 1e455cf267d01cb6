#pragma once
// Helpers shared by the tests: a fresh working directory per test (the show
// reads and writes relative to it), optionally holding the generated data.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace vdk::test {

// Creates a new empty directory under the system's temporary folder, makes it
// the working directory, and on destruction goes back and removes it. With
// with_show_data it links "music" and "_glimmerock" of the generated data
// folder into it.
class scoped_work_dir {
public:
    explicit scoped_work_dir(bool with_show_data = false);
    ~scoped_work_dir();
    scoped_work_dir(const scoped_work_dir&) = delete;
    scoped_work_dir& operator=(const scoped_work_dir&) = delete;

    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path previous_;
    std::filesystem::path path_;
};

// The generated data folder (holds music/ and _glimmerock/).
std::filesystem::path show_data_dir();
bool show_data_available();

// The whole text of a file ("" when it cannot be read), and its lines.
std::string read_file(const std::filesystem::path& path);
std::vector<std::string> read_lines(const std::filesystem::path& path);

// Gives the existing file `from` a second name `to`: a symbolic link, or a
// hard link where symbolic links cannot be made (Windows, Wine).
void link_file(const std::filesystem::path& from, const std::filesystem::path& to);

// Writes a width x height 8-bit PNG: 4 bytes per pixel (RGBA) when
// with_alpha, else 3 (RGB), from 0xAARRGGBB pixels, top row first.
void write_png(const std::filesystem::path& path, int width, int height,
               const std::vector<uint32_t>& pixels, bool with_alpha);

// PNG colour types, and a PNG of any layout from its raw rows (bit_depth and
// color_type as in the file header, rows unfiltered, top row first, each
// rows_bytes.size() / height bytes), with an optional palette of R, G, B
// triples. Written without any image library, so that the files are the same
// whatever decoder the platform's loader uses.
enum png_color_type : int { png_grey = 0, png_rgb = 2, png_palette = 3, png_grey_alpha = 4, png_rgba = 6 };
void write_png_rows(const std::filesystem::path& path, int width, int height, int bit_depth,
                    int color_type, const std::vector<uint8_t>& rows_bytes,
                    const std::vector<uint8_t>& palette = {});

// The CRC-32 of PNG chunks and zlib.
uint32_t crc32_of(const uint8_t* data, size_t length);

// Writes seconds of a 440 Hz stereo tone at 44100 Hz as an MP3 (through a
// temporary WAV and the LAME encoder). False when encoding failed. On Windows,
// where the encoder is not at hand, the file tone-<milliseconds>.mp3 is
// copied from the folder VELDRAKIN_TEST_MP3_DIR (made by the same encoder).
bool make_test_mp3(const std::filesystem::path& path, double seconds);

}  // namespace vdk::test
