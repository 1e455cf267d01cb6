// PNG decoding into a texture with the Windows Imaging Component, with the
// same results as the libpng loader of the other platforms:
//
// 8-bit RGBA files keep their orientation; 8-bit RGB files arrive bottom row
// first and opaque; every other layout (grey, palette, grey with alpha, 16-bit
// channels) loads as 8-bit RGBA, top row first, 16-bit channels cut to their
// high byte. Sides above 16384 pixels, a bad signature, a damaged header or
// image chunk and a truncated image fail with -1 before the texture changes.
//
// The header and the chunk checksums are read here rather than asked of the
// decoder, so that the layout and the failures do not depend on what a given
// Windows version's PNG codec tolerates.

#include <wincodec.h>
#include <windows.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <vector>

#include "core/texture.h"

namespace vdk::core {

namespace {

constexpr uint32_t max_png_side = 16384;
constexpr unsigned char png_signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

enum png_color_type : int { grey = 0, rgb = 2, palette = 3, grey_alpha = 4, rgba = 6 };

struct png_header {
    uint32_t width = 0;
    uint32_t height = 0;
    int bit_depth = 0;
    int color_type = 0;
};

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
        case grey: return bit_depth == 1 || bit_depth == 2 || bit_depth == 4 || bit_depth == 8 ||
                          bit_depth == 16;
        case palette: return bit_depth == 1 || bit_depth == 2 || bit_depth == 4 || bit_depth == 8;
        case rgb:
        case grey_alpha:
        case rgba: return bit_depth == 8 || bit_depth == 16;
        default: return false;
    }
}

// Walks the chunks up to the end of the image data, as a decoder that reads
// the image and stops there would: the header must come first and be sane,
// and every critical chunk read on the way must carry its right checksum
// (damaged ancillary chunks are skipped, as decoders do). A file that ends
// inside this stretch is left to the decoder, which fails on missing data.
bool check_chunks(const std::vector<unsigned char>& file, png_header& header) {
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

template <typename T>
struct com_ptr {
    T* p = nullptr;
    ~com_ptr() {
        if (p != nullptr) p->Release();
    }
    T** out() { return &p; }
    T* operator->() const { return p; }
};

// COM for the calling thread, undone when this goes out of scope if it was
// this object that set it up (a thread already in another mode keeps it).
struct com_scope {
    HRESULT result = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    ~com_scope() {
        if (SUCCEEDED(result)) CoUninitialize();
    }
};

// 16-bit channels: the decoder's own 16-bit layout (grey, RGB or RGBA, each
// channel a little-endian 16-bit value), or a conversion to 64-bit RGBA where
// it has another; each channel is cut to its high byte.
bool copy_wide(IWICImagingFactory* factory, IWICBitmapFrameDecode* frame, UINT width, UINT height,
               std::vector<uint32_t>& pixels) {
    WICPixelFormatGUID format{};
    if (FAILED(frame->GetPixelFormat(&format))) return false;
    int channels = 4;
    IWICBitmapSource* source = frame;
    com_ptr<IWICFormatConverter> converter;
    if (IsEqualGUID(format, GUID_WICPixelFormat16bppGray)) {
        channels = 1;
    } else if (IsEqualGUID(format, GUID_WICPixelFormat48bppRGB)) {
        channels = 3;
    } else if (!IsEqualGUID(format, GUID_WICPixelFormat64bppRGBA)) {
        if (FAILED(factory->CreateFormatConverter(converter.out())) ||
            FAILED(converter->Initialize(frame, GUID_WICPixelFormat64bppRGBA, WICBitmapDitherTypeNone,
                                         nullptr, 0.0, WICBitmapPaletteTypeCustom))) {
            return false;
        }
        source = converter.p;
    }
    const UINT stride = width * 2 * static_cast<UINT>(channels);
    std::vector<uint16_t> wide(static_cast<size_t>(width) * height * channels);
    if (FAILED(source->CopyPixels(nullptr, stride, stride * height,
                                  reinterpret_cast<BYTE*>(wide.data())))) {
        return false;
    }
    for (size_t i = 0; i < pixels.size(); ++i) {
        const uint16_t* p = &wide[i * channels];
        const uint32_t r = p[0] >> 8;
        const uint32_t g = channels >= 3 ? p[1] >> 8 : r;
        const uint32_t b = channels >= 3 ? p[2] >> 8 : r;
        const uint32_t a = channels == 4 ? p[3] >> 8 : 0xFF;
        pixels[i] = a << 24 | r << 16 | g << 8 | b;
    }
    return true;
}

// Decodes the whole image through WIC into 0xAARRGGBB pixels, top row first.
// Files of up to 8 bits per channel are converted to 32-bit BGRA.
bool decode(const std::vector<unsigned char>& file, const png_header& header,
            std::vector<uint32_t>& pixels) {
    com_scope com;
    com_ptr<IWICImagingFactory> factory;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IWICImagingFactory, reinterpret_cast<void**>(factory.out())))) {
        return false;
    }
    com_ptr<IWICStream> stream;
    if (FAILED(factory->CreateStream(stream.out())) ||
        FAILED(stream->InitializeFromMemory(const_cast<BYTE*>(file.data()),
                                            static_cast<DWORD>(file.size())))) {
        return false;
    }
    com_ptr<IWICBitmapDecoder> decoder;
    if (FAILED(factory->CreateDecoder(GUID_ContainerFormatPng, nullptr, decoder.out())) ||
        FAILED(decoder->Initialize(stream.p, WICDecodeMetadataCacheOnDemand))) {
        return false;
    }
    com_ptr<IWICBitmapFrameDecode> frame;
    if (FAILED(decoder->GetFrame(0, frame.out()))) return false;
    UINT width = 0;
    UINT height = 0;
    if (FAILED(frame->GetSize(&width, &height)) || width != header.width ||
        height != header.height) {
        return false;
    }
    const size_t count = static_cast<size_t>(width) * height;
    pixels.assign(count, 0);
    if (header.bit_depth == 16) return copy_wide(factory.p, frame.p, width, height, pixels);

    com_ptr<IWICFormatConverter> converter;
    if (FAILED(factory->CreateFormatConverter(converter.out())) ||
        FAILED(converter->Initialize(frame.p, GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone,
                                     nullptr, 0.0, WICBitmapPaletteTypeCustom))) {
        return false;
    }
    const UINT stride = width * 4;
    return SUCCEEDED(converter->CopyPixels(nullptr, stride, stride * height,
                                           reinterpret_cast<BYTE*>(pixels.data())));
}

bool read_whole_file(const std::string& path, std::vector<unsigned char>& bytes) {
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

}  // namespace

int texture::load_png(std::string path) {
    std::vector<unsigned char> file;
    if (!read_whole_file(path, file)) return -1;
    if (file.size() < 8 || std::memcmp(file.data(), png_signature, 8) != 0) return -1;
    png_header header;
    if (!check_chunks(file, header)) return -1;

    std::vector<uint32_t> decoded;
    if (!decode(file, header, decoded)) return -1;

    const int w = static_cast<int>(header.width);
    const int h = static_cast<int>(header.height);
    const int created = create(w, h);
    if (created != 0) return created;

    uint32_t* target = lock();
    if (target != nullptr) {
        const bool plain_rgb = header.bit_depth == 8 && header.color_type == rgb;
        for (int y = 0; y < h; ++y) {
            // 8-bit RGB lies bottom row first: texture row y holds the file's
            // row h - 1 - y, opaque whatever a transparency chunk says.
            const uint32_t* row = &decoded[static_cast<size_t>(plain_rgb ? h - 1 - y : y) * w];
            uint32_t* out = target + static_cast<size_t>(y) * w;
            if (plain_rgb) {
                for (int x = 0; x < w; ++x) out[x] = 0xFF000000u | row[x];
            } else {
                std::memcpy(out, row, static_cast<size_t>(w) * 4);
            }
        }
    }
    unlock();
    return 0;
}

}  // namespace vdk::core
