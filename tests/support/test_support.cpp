#include "support/test_support.h"

#include <png.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace vdk::test {

namespace fs = std::filesystem;

scoped_work_dir::scoped_work_dir(bool with_show_data) : previous_(fs::current_path()) {
    std::string pattern = (fs::temp_directory_path() / "veldrakin-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
    if (with_show_data) {
        fs::create_directory_symlink(show_data_dir() / "music", path_ / "music");
        fs::create_directory_symlink(show_data_dir() / "_glimmerock", path_ / "_glimmerock");
    }
    fs::current_path(path_);
}

scoped_work_dir::~scoped_work_dir() {
    std::error_code ignored;
    fs::current_path(previous_, ignored);
    fs::remove_all(path_, ignored);
}

fs::path show_data_dir() {
    if (const char* dir = std::getenv("VELDRAKIN_SHOW_DIR")) return dir;
    return VDK_SHOW_DIR;
}

bool show_data_available() {
    return fs::exists(show_data_dir() / "music" / "KR_VAULT-X2.mp3") &&
           fs::exists(show_data_dir() / "_glimmerock");
}

std::string read_file(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> read_lines(const fs::path& path) {
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

void write_png(const fs::path& path, int width, int height, const std::vector<uint32_t>& pixels,
               bool with_alpha) {
    std::FILE* file = std::fopen(path.string().c_str(), "wb");
    if (file == nullptr) throw std::runtime_error("cannot write " + path.string());
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
        throw std::runtime_error("libpng failed writing " + path.string());
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, width, height, 8,
                 with_alpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    const int channels = with_alpha ? 4 : 3;
    std::vector<png_byte> row(static_cast<size_t>(width) * channels);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const uint32_t p = pixels[static_cast<size_t>(y) * width + x];
            png_byte* out = &row[static_cast<size_t>(x) * channels];
            out[0] = static_cast<png_byte>(p >> 16);
            out[1] = static_cast<png_byte>(p >> 8);
            out[2] = static_cast<png_byte>(p);
            if (with_alpha) out[3] = static_cast<png_byte>(p >> 24);
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
}

bool make_test_mp3(const fs::path& path, double seconds) {
    const int rate = 44100;
    const int frames = static_cast<int>(seconds * rate);
    const fs::path wav_path = path.string() + ".wav";
    {
        std::ofstream wav(wav_path, std::ios::binary);
        auto put = [&](uint32_t v, int bytes) {
            for (int i = 0; i < bytes; ++i) wav.put(static_cast<char>(v >> (8 * i)));
        };
        wav << "RIFF";
        put(36 + frames * 4, 4);
        wav << "WAVEfmt ";
        put(16, 4);
        put(1, 2);
        put(2, 2);
        put(rate, 4);
        put(rate * 4, 4);
        put(4, 2);
        put(16, 2);
        wav << "data";
        put(frames * 4, 4);
        for (int i = 0; i < frames; ++i) {
            const auto s = static_cast<int16_t>(8000 * std::sin(2 * M_PI * 440 * i / rate));
            put(static_cast<uint16_t>(s), 2);
            put(static_cast<uint16_t>(s), 2);
        }
    }
    const std::string command =
        "lame --quiet -b 192 '" + wav_path.string() + "' '" + path.string() + "'";
    const bool encoded = std::system(command.c_str()) == 0;
    fs::remove(wav_path);
    return encoded;
}

}  // namespace vdk::test
