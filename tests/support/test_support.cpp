#include "support/test_support.h"

#ifndef _WIN32
#include <unistd.h>
#endif

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

namespace vdk::test {

namespace fs = std::filesystem;

namespace {

// A new directory of a unique name under the system's temporary folder.
fs::path make_temporary_directory() {
#ifdef _WIN32
    std::random_device seed;
    std::mt19937_64 random(seed());
    for (int attempt = 0; attempt < 100; ++attempt) {
        const fs::path candidate =
            fs::temp_directory_path() / ("veldrakin-test-" + std::to_string(random() % 1000000000));
        if (fs::create_directory(candidate)) return candidate;
    }
    throw std::runtime_error("cannot create a temporary directory");
#else
    std::string pattern = (fs::temp_directory_path() / "veldrakin-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    return pattern;
#endif
}

// Makes the folder `from` reachable as `to`: a symbolic link, or on Windows a
// tree of hard links to its files.
void link_folder(const fs::path& from, const fs::path& to) {
#ifdef _WIN32
    fs::copy(from, to, fs::copy_options::recursive | fs::copy_options::create_hard_links);
#else
    fs::create_directory_symlink(from, to);
#endif
}

}  // namespace

scoped_work_dir::scoped_work_dir(bool with_show_data) : previous_(fs::current_path()) {
    path_ = make_temporary_directory();
    if (with_show_data) {
        link_folder(show_data_dir() / "music", path_ / "music");
        link_folder(show_data_dir() / "_glimmerock", path_ / "_glimmerock");
    }
    fs::current_path(path_);
}

void link_file(const fs::path& from, const fs::path& to) {
#ifdef _WIN32
    fs::create_hard_link(from, to);
#else
    fs::create_symlink(from, to);
#endif
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

uint32_t crc32_of(const uint8_t* data, size_t length) {
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

namespace {

void put_be32(std::string& out, uint32_t v) {
    for (int i = 3; i >= 0; --i) out.push_back(static_cast<char>(v >> (8 * i)));
}

void put_chunk(std::string& out, const char* type, const std::string& data) {
    put_be32(out, static_cast<uint32_t>(data.size()));
    const std::string typed = std::string(type, 4) + data;
    out += typed;
    put_be32(out, crc32_of(reinterpret_cast<const uint8_t*>(typed.data()), typed.size()));
}

// A zlib stream of stored (uncompressed) deflate blocks.
std::string stored_zlib(const std::string& raw) {
    std::string out("\x78\x01", 2);
    size_t at = 0;
    do {
        const size_t n = std::min<size_t>(65535, raw.size() - at);
        const bool last = at + n == raw.size();
        out.push_back(static_cast<char>(last ? 1 : 0));
        out.push_back(static_cast<char>(n & 0xFF));
        out.push_back(static_cast<char>(n >> 8));
        out.push_back(static_cast<char>(~n & 0xFF));
        out.push_back(static_cast<char>((~n >> 8) & 0xFF));
        out.append(raw, at, n);
        at += n;
    } while (at < raw.size());
    uint32_t a = 1;
    uint32_t b = 0;
    for (unsigned char c : raw) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    put_be32(out, b << 16 | a);
    return out;
}

}  // namespace

void write_png_rows(const fs::path& path, int width, int height, int bit_depth, int color_type,
                    const std::vector<uint8_t>& rows_bytes, const std::vector<uint8_t>& palette) {
    std::string header;
    put_be32(header, static_cast<uint32_t>(width));
    put_be32(header, static_cast<uint32_t>(height));
    header.push_back(static_cast<char>(bit_depth));
    header.push_back(static_cast<char>(color_type));
    header.append(3, '\0');  // deflate, adaptive filters, not interlaced
    const size_t row_bytes = rows_bytes.size() / static_cast<size_t>(height);
    std::string raw;
    for (int y = 0; y < height; ++y) {
        raw.push_back('\0');  // filter: none
        raw.append(reinterpret_cast<const char*>(rows_bytes.data()) + y * row_bytes, row_bytes);
    }
    std::string file("\x89PNG\r\n\x1A\n", 8);
    put_chunk(file, "IHDR", header);
    if (!palette.empty()) put_chunk(file, "PLTE", std::string(palette.begin(), palette.end()));
    put_chunk(file, "IDAT", stored_zlib(raw));
    put_chunk(file, "IEND", "");
    std::ofstream out(path, std::ios::binary);
    out << file;
    if (!out) throw std::runtime_error("cannot write " + path.string());
}

void write_png(const fs::path& path, int width, int height, const std::vector<uint32_t>& pixels,
               bool with_alpha) {
    const int channels = with_alpha ? 4 : 3;
    std::vector<uint8_t> rows(static_cast<size_t>(width) * height * channels);
    for (size_t i = 0; i < static_cast<size_t>(width) * height; ++i) {
        const uint32_t p = pixels[i];
        uint8_t* out = &rows[i * channels];
        out[0] = static_cast<uint8_t>(p >> 16);
        out[1] = static_cast<uint8_t>(p >> 8);
        out[2] = static_cast<uint8_t>(p);
        if (with_alpha) out[3] = static_cast<uint8_t>(p >> 24);
    }
    write_png_rows(path, width, height, 8, with_alpha ? png_rgba : png_rgb, rows);
}

bool make_test_mp3(const fs::path& path, double seconds) {
#ifdef _WIN32
    const char* made = std::getenv("VELDRAKIN_TEST_MP3_DIR");
    if (made == nullptr) return false;
    const fs::path source =
        fs::path(made) / ("tone-" + std::to_string(std::lround(seconds * 1000)) + ".mp3");
    std::error_code failed;
    fs::copy_file(source, path, fs::copy_options::overwrite_existing, failed);
    return !failed;
#else
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
#endif
}

}  // namespace vdk::test
