// The desktop window on Win32 and GDI: one WS_POPUP window of class
// "VELDRAKIN_gdi_APP" placed over the primary monitor, a window procedure that
// turns messages into listener calls, and a per-frame presentation that
// copies the 0xAARRGGBB back buffer (B, G, R, A in memory: a 32-bit BI_RGB
// row) into a fresh compatible bitmap and stretches it over the client area.
// Every GDI object of a frame is freed in that frame. All calls are the ANSI
// variants, made on the main thread.

#include <windows.h>

#include <cstdlib>
#include <cstring>

#include "core/window_system.h"

namespace vdk::core {

namespace {

const char* const window_class_name = "VELDRAKIN_gdi_APP";
constexpr LONG overlapped_window_bits_cleared = static_cast<LONG>(0xFF30FFFFu);  // ~WS_OVERLAPPEDWINDOW

// The screen saver is switched off for the whole session while the show
// runs. When it was on before, it is switched back on when the window goes,
// at process exit, and when the process dies of an unhandled exception. The
// change is never written to the user's profile, so even a process that is
// killed leaves it off only until the session ends.
namespace screen_saver {

bool switched_off = false;  // on before, switched off here, not yet restored
bool hooks_installed = false;
LPTOP_LEVEL_EXCEPTION_FILTER previous_filter = nullptr;

void restore() {
    if (!switched_off) return;
    switched_off = false;
    SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, TRUE, nullptr, 0);
}

void restore_at_exit() { restore(); }

LONG WINAPI restore_on_crash(EXCEPTION_POINTERS* exception) {
    restore();
    return previous_filter != nullptr ? previous_filter(exception) : EXCEPTION_CONTINUE_SEARCH;
}

void switch_off() {
    BOOL active = FALSE;
    const bool known = SystemParametersInfoA(SPI_GETSCREENSAVEACTIVE, 0, &active, 0) != 0;
    int off = 0;
    SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, FALSE, &off, 0);
    if (!known || !active) return;  // off already (perhaps by an earlier window of ours)
    switched_off = true;
    if (!hooks_installed) {
        hooks_installed = true;
        std::atexit(&restore_at_exit);
        previous_filter = SetUnhandledExceptionFilter(&restore_on_crash);
    }
}

}  // namespace screen_saver

class win32_window;
LRESULT CALLBACK window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

// Mouse coordinates: each 16-bit half of lParam as a signed value.
int32_t low_signed(LPARAM lparam) { return static_cast<int16_t>(lparam & 0xFFFF); }
int32_t high_signed(LPARAM lparam) { return static_cast<int16_t>((lparam >> 16) & 0xFFFF); }

class win32_window : public window_system {
public:
    // A width x height client area makes a movable window instead of the
    // full-screen one; 0 x 0 is the full screen.
    explicit win32_window(int windowed_width = 0, int windowed_height = 0)
        : windowed_width_(windowed_width), windowed_height_(windowed_height) {}

    ~win32_window() override { destroy(); }

    bool open(const std::string& title, int width, int height, window_listener* listener) override {
        listener_ = listener;
        HINSTANCE instance = GetModuleHandleA(nullptr);

        WNDCLASSEXA window_class{};
        window_class.cbSize = sizeof(window_class);
        window_class.style = CS_HREDRAW | CS_VREDRAW;
        window_class.lpfnWndProc = &window_proc;
        window_class.cbClsExtra = 0;
        window_class.cbWndExtra = 8;
        window_class.hInstance = instance;
        window_class.hIcon = nullptr;
        window_class.hIconSm = nullptr;
        window_class.hCursor = LoadCursorA(nullptr, IDC_ARROW);
        window_class.hbrBackground = nullptr;
        window_class.lpszMenuName = nullptr;
        window_class.lpszClassName = window_class_name;
        RegisterClassExA(&window_class);  // a failure shows as CreateWindowExA failing

        const bool windowed = windowed_width_ > 0 && windowed_height_ > 0;
        DWORD style = WS_POPUP;
        int window_width = width;
        int window_height = height;
        if (windowed) {
            style = WS_OVERLAPPEDWINDOW;
            RECT frame{0, 0, windowed_width_, windowed_height_};
            AdjustWindowRect(&frame, style, FALSE);
            window_width = frame.right - frame.left;
            window_height = frame.bottom - frame.top;
        }
        window_ = CreateWindowExA(0, window_class_name, title.c_str(), style, CW_USEDEFAULT,
                                  CW_USEDEFAULT, window_width, window_height, nullptr, nullptr,
                                  instance, this);
        if (window_ == nullptr) {
            reason_ = "CreateWindowExA failed, error " + std::to_string(GetLastError());
            listener_ = nullptr;
            return false;
        }
        SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        if (!windowed) cover_monitor();
        ShowWindow(window_, SW_SHOWNORMAL);
        UpdateWindow(window_);
        return true;
    }

    std::string failure_reason() const override { return reason_; }

    void client_size(int& width, int& height) const override {
        RECT client{};
        if (window_ != nullptr) GetClientRect(window_, &client);
        width = client.right - client.left;
        height = client.bottom - client.top;
    }

    void present(const uint32_t* pixels, int width, int height, int client_width,
                 int client_height) override {
        // After the window is gone (the frame in which the show closed) there
        // is nothing to draw into; GetDC(null) would be the whole screen.
        if (window_ == nullptr || pixels == nullptr) return;

        BITMAPINFO info{};
        info.bmiHeader.biSize = 40;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;  // top row first
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        info.bmiHeader.biSizeImage = static_cast<DWORD>(width) * static_cast<DWORD>(height) * 4;

        HDC window_dc = GetDC(window_);
        HBITMAP bitmap = CreateCompatibleBitmap(window_dc, width, height);
        HDC memory_dc = CreateCompatibleDC(window_dc);
        SetDIBits(memory_dc, bitmap, 0, static_cast<UINT>(height), pixels, &info, 1);
        SelectObject(memory_dc, bitmap);
        StretchBlt(window_dc, 0, 0, client_width, client_height, memory_dc, 0, 0, width, height,
                   SRCCOPY);
        DeleteDC(memory_dc);
        DeleteObject(bitmap);
        ReleaseDC(window_, window_dc);
    }

    void show_cursor(bool show) override { ShowCursor(show ? TRUE : FALSE); }

    void disable_screen_saver() override { screen_saver::switch_off(); }

    void handle_one_message() override {
        if (window_ == nullptr) return;
        MSG message;
        if (PeekMessageA(&message, window_, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }

    // The closing chain: WM_CLOSE is sent synchronously and the window
    // procedure posts the quit message and destroys the window. The listener
    // is let go first: its own close is what called this, and a window
    // procedure call back into it would find that close under way.
    // The user's screen saver setting comes back with it.
    void destroy() override {
        screen_saver::restore();
        if (window_ == nullptr) return;
        listener_ = nullptr;
        SendMessageA(window_, WM_CLOSE, 0, 0);
        window_ = nullptr;
    }

    // The window procedure's actions; the default procedure runs after each.
    void on_message(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
        switch (message) {
            case WM_SIZE:
                if (listener_ != nullptr) {
                    listener_->window_resized(static_cast<int>(lparam & 0xFFFF),
                                              static_cast<int>((lparam >> 16) & 0xFFFF));
                }
                break;
            case WM_CLOSE:
                if (listener_ != nullptr) listener_->window_closing();
                PostQuitMessage(0);
                if (window_ != nullptr) DestroyWindow(window_);
                break;
            case WM_DISPLAYCHANGE:
                InvalidateRect(window, nullptr, FALSE);
                break;
            case WM_KEYDOWN:
                if (listener_ != nullptr) {
                    input_event input{};
                    input.kind = key_pressed;
                    input.key = static_cast<int32_t>(wparam);
                    listener_->window_input(input);
                }
                break;
            case WM_LBUTTONDOWN:
            case WM_RBUTTONDOWN:
                if (listener_ != nullptr) {
                    input_event input{};
                    input.kind = mouse_pressed;
                    input.button = message == WM_LBUTTONDOWN ? left_button : right_button;
                    input.x = low_signed(lparam);
                    input.y = high_signed(lparam);
                    listener_->window_input(input);
                }
                break;
            default: break;
        }
    }

private:
    // Clears the frame bits from the style and places the window on the
    // monitor rectangle (not the work area) of the monitor it starts on, the
    // primary one. If either query fails the window keeps its size.
    void cover_monitor() {
        const LONG style = GetWindowLongA(window_, GWL_STYLE);
        WINDOWPLACEMENT placement{};
        placement.length = sizeof(placement);
        MONITORINFO monitor{};
        monitor.cbSize = sizeof(monitor);
        if (GetWindowPlacement(window_, &placement) &&
            GetMonitorInfoA(MonitorFromWindow(window_, MONITOR_DEFAULTTOPRIMARY), &monitor)) {
            SetWindowLongA(window_, GWL_STYLE, style & overlapped_window_bits_cleared);
            const RECT& r = monitor.rcMonitor;
            SetWindowPos(window_, HWND_TOP, r.left, r.top, r.right - r.left, r.bottom - r.top,
                         SWP_NOOWNERZORDER | SWP_FRAMECHANGED);
        }
    }

    int windowed_width_;
    int windowed_height_;
    window_listener* listener_ = nullptr;
    HWND window_ = nullptr;
    std::string reason_;
};

// Finds the window object through the window's user data; it is not yet
// stored for the messages that arrive during CreateWindowExA.
LRESULT CALLBACK window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    auto* self = reinterpret_cast<win32_window*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
    } else if (self != nullptr) {
        self->on_message(window, message, wparam, lparam);
    } else if (message == WM_CLOSE) {
        DestroyWindow(window);
    } else if (message == WM_DISPLAYCHANGE) {
        InvalidateRect(window, nullptr, FALSE);
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

}  // namespace

std::unique_ptr<window_system> make_desktop_window() { return std::make_unique<win32_window>(); }

std::unique_ptr<window_system> make_windowed_desktop_window(int width, int height) {
    return std::make_unique<win32_window>(width, height);
}

}  // namespace vdk::core
