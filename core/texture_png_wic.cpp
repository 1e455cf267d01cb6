// PNG decoding into a texture with the Windows Imaging Component, with the
// same results as the libpng loader of the other platforms:
//
// 8-bit RGBA files keep their orientation; 8-bit RGB files arrive bottom row
// first and opaque; every other layout (grey, palette, grey with alpha, 16-bit
// channels) loads as 8-bit RGBA, top row first, 16-bit channels cut to their
// high byte. Sides above 16384 pixels, a bad signature, a damaged header or
// image chunk and a truncated image fail with -1 before the texture changes.
//
// The header and the chunk checksums are read first (core/png_chunks.cpp)
// rather than asked of the decoder, so that the layout and the failures do
// not depend on what a given Windows version's PNG codec tolerates.

#include <wincodec.h>
#include <windows.h>

#include <cstring>
#include <vector>

#include "core/png_chunks.h"
#include "core/texture.h"

namespace vdk::core {

namespace {

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

}  // namespace

int texture::load_png(std::string path) {
    std::vector<unsigned char> file;
    png_header header;
    if (!read_checked_png(path, file, header)) return -1;

    std::vector<uint32_t> decoded;
    if (!decode(file, header, decoded)) return -1;

    const int w = static_cast<int>(header.width);
    const int h = static_cast<int>(header.height);
    const int created = create(w, h);
    if (created != 0) return created;

    uint32_t* target = lock();
    if (target != nullptr) {
        const bool plain_rgb = header.bit_depth == 8 && header.color_type == png_rgb;
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
