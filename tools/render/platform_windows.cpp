// The render tool's platform pieces on Windows: Ctrl-C handling, PNG files
// through the Windows Imaging Component's encoder, and the video command,
// which needs ffmpeg behind a pipe and is not offered in this build.

// The tool's headers come first: <windows.h> defines "near" and "far" as
// empty macros, which the show's headers use as names.
#include "tools/render/commands.h"
#include "tools/render/interrupt.h"
#include "tools/render/png_file.h"
#include "tools/render/show_data.h"
#include "tools/render/tool_error.h"

#include <wincodec.h>
#include <windows.h>

#include <csignal>
#include <vector>

namespace fs = std::filesystem;

namespace {

volatile std::sig_atomic_t interrupt_flag = 0;

extern "C" void on_interrupt(int) { interrupt_flag = 1; }

BOOL WINAPI on_console_event(DWORD) {
    interrupt_flag = 1;
    return TRUE;  // handled: the frame in progress finishes and the tool stops
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

struct com_scope {
    HRESULT result = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    ~com_scope() {
        if (SUCCEEDED(result)) CoUninitialize();
    }
};

std::string hresult_text(const char* step, HRESULT result) {
    char code[16];
    std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(result));
    return std::string(step) + " failed (" + code + ")";
}

// An 8-bit RGB PNG of the scaled frame (24-bit BGR rows for the encoder).
std::string encode(const fs::path& path, const uint32_t* pixels, int width, int height, int scale) {
    com_scope com;
    com_ptr<IWICImagingFactory> factory;
    HRESULT r = CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                 IID_IWICImagingFactory, reinterpret_cast<void**>(factory.out()));
    if (FAILED(r)) return hresult_text("WIC", r);
    com_ptr<IWICStream> stream;
    if (FAILED(r = factory->CreateStream(stream.out()))) return hresult_text("stream", r);
    if (FAILED(r = stream->InitializeFromFilename(path.wstring().c_str(), GENERIC_WRITE))) {
        return hresult_text("opening the file", r);
    }
    com_ptr<IWICBitmapEncoder> encoder;
    if (FAILED(r = factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, encoder.out())) ||
        FAILED(r = encoder->Initialize(stream.p, WICBitmapEncoderNoCache))) {
        return hresult_text("PNG encoder", r);
    }
    com_ptr<IWICBitmapFrameEncode> frame;
    if (FAILED(r = encoder->CreateNewFrame(frame.out(), nullptr)) ||
        FAILED(r = frame->Initialize(nullptr))) {
        return hresult_text("PNG frame", r);
    }
    const UINT out_width = static_cast<UINT>(width * scale);
    const UINT out_height = static_cast<UINT>(height * scale);
    WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
    if (FAILED(r = frame->SetSize(out_width, out_height)) ||
        FAILED(r = frame->SetPixelFormat(&format))) {
        return hresult_text("PNG size", r);
    }
    if (!IsEqualGUID(format, GUID_WICPixelFormat24bppBGR)) return "the PNG encoder refuses 24-bit RGB";
    const UINT stride = out_width * 3;
    std::vector<BYTE> rows(static_cast<size_t>(stride) * out_height);
    for (int y = 0; y < height; ++y) {
        const uint32_t* source = pixels + static_cast<size_t>(y) * width;
        BYTE* out = &rows[static_cast<size_t>(y) * scale * stride];
        BYTE* line = out;
        for (int x = 0; x < width; ++x) {
            const uint32_t p = source[x];
            for (int k = 0; k < scale; ++k) {
                *line++ = static_cast<BYTE>(p);
                *line++ = static_cast<BYTE>(p >> 8);
                *line++ = static_cast<BYTE>(p >> 16);
            }
        }
        for (int k = 1; k < scale; ++k) std::copy(out, out + stride, out + k * stride);
    }
    if (FAILED(r = frame->WritePixels(out_height, stride, static_cast<UINT>(rows.size()), rows.data())) ||
        FAILED(r = frame->Commit()) || FAILED(r = encoder->Commit())) {
        return hresult_text("writing the PNG", r);
    }
    return {};
}

}  // namespace

void catch_interrupts() {
    std::signal(SIGINT, on_interrupt);
    std::signal(SIGTERM, on_interrupt);
    SetConsoleCtrlHandler(on_console_event, TRUE);
}

bool interrupted() { return interrupt_flag != 0; }

std::string write_rgb_png(const fs::path& path, const uint32_t* pixels, int width, int height,
                          int scale) {
    const fs::path partial = temporary_sibling(path);
    std::string reason = encode(partial, pixels, width, height, scale);
    std::error_code error;
    if (reason.empty()) {
        fs::rename(partial, path, error);
        if (error) reason = error.message();
    }
    if (!reason.empty()) fs::remove(partial, error);
    return reason;
}

int run_video_command(const std::vector<std::string>&) {
    throw tool_error(exit_usage,
                     "video is not part of the Windows build (it pipes frames to ffmpeg); "
                     "use the Linux build");
}
