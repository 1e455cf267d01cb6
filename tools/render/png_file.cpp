#include "tools/render/png_file.h"

#include <png.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "tools/render/show_data.h"

namespace fs = std::filesystem;

namespace {

// Everything libpng's long jump may leave behind, freed on every path.
struct png_session {
    std::FILE* file = nullptr;
    png_structp png = nullptr;
    png_infop info = nullptr;
    std::string reason;

    ~png_session() {
        if (png != nullptr) png_destroy_write_struct(&png, info != nullptr ? &info : nullptr);
        if (file != nullptr) std::fclose(file);
    }
};

extern "C" void on_png_error(png_structp png, png_const_charp message) {
    auto* session = static_cast<png_session*>(png_get_error_ptr(png));
    session->reason = message != nullptr ? message : "libpng error";
    png_longjmp(png, 1);
}

extern "C" void on_png_warning(png_structp, png_const_charp) {}

// Writes the PNG to path; false with session.reason set on failure. The row
// buffer is made before setjmp so that the long jump skips no destructor.
bool write_file(png_session& session, const fs::path& path, const uint32_t* pixels, int width,
                int height, int scale, std::vector<png_byte>& row) {
    session.file = std::fopen(path.c_str(), "wb");
    if (session.file == nullptr) {
        session.reason = std::strerror(errno);
        return false;
    }
    session.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &session, on_png_error, on_png_warning);
    if (session.png != nullptr) session.info = png_create_info_struct(session.png);
    if (session.png == nullptr || session.info == nullptr) {
        session.reason = "out of memory";
        return false;
    }
    if (setjmp(png_jmpbuf(session.png))) return false;
    png_init_io(session.png, session.file);
    png_set_IHDR(session.png, session.info, static_cast<png_uint_32>(width * scale),
                 static_cast<png_uint_32>(height * scale), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(session.png, session.info);
    for (int y = 0; y < height; ++y) {
        const uint32_t* source = pixels + static_cast<size_t>(y) * width;
        png_byte* out = row.data();
        for (int x = 0; x < width; ++x) {
            const uint32_t p = source[x];
            for (int k = 0; k < scale; ++k) {
                *out++ = static_cast<png_byte>(p >> 16);
                *out++ = static_cast<png_byte>(p >> 8);
                *out++ = static_cast<png_byte>(p);
            }
        }
        for (int k = 0; k < scale; ++k) png_write_row(session.png, row.data());
    }
    png_write_end(session.png, session.info);
    std::FILE* file = session.file;
    session.file = nullptr;
    if (std::fclose(file) != 0) {
        session.reason = std::strerror(errno);
        return false;
    }
    return true;
}

}  // namespace

std::string write_rgb_png(const fs::path& path, const uint32_t* pixels, int width, int height,
                          int scale) {
    const fs::path partial = temporary_sibling(path);
    std::vector<png_byte> row(static_cast<size_t>(width) * scale * 3);
    std::string reason;
    {
        png_session session;
        if (!write_file(session, partial, pixels, width, height, scale, row)) reason = session.reason;
    }
    std::error_code error;
    if (reason.empty()) {
        fs::rename(partial, path, error);
        if (error) reason = error.message();
    }
    if (!reason.empty()) fs::remove(partial, error);
    return reason;
}
