// The Win32 window (Windows builds only): its class, style and placement
// over the monitor, the presentation of the back buffer (top row first,
// channels in place, stretched over the client area), the window procedure's
// translation of messages into listener calls, and the closing chain.
// Skipped where no window can be made.

#ifdef _WIN32

#include <gtest/gtest.h>

#include <vector>

#include "core/window_system.h"

#include <windows.h>

namespace {

struct recording_listener : vdk::core::window_listener {
    int closings = 0;
    std::vector<vdk::core::input_event> inputs;
    int width = -1;
    int height = -1;
    void window_closing() override { ++closings; }
    void window_input(const vdk::core::input_event& event) override { inputs.push_back(event); }
    void window_resized(int w, int h) override {
        width = w;
        height = h;
    }
};

const char* const title = "window test";

}  // namespace

TEST(window_win32, covers_the_monitor_presents_the_frame_and_reports_input) {
    recording_listener listener;
    std::unique_ptr<vdk::core::window_system> window = vdk::core::make_desktop_window();
    if (!window->open(title, 320, 240, &listener)) GTEST_SKIP() << window->failure_reason();
    HWND handle = FindWindowA("VELDRAKIN_gdi_APP", title);
    ASSERT_NE(handle, nullptr);

    const LONG style = GetWindowLongA(handle, GWL_STYLE);
    EXPECT_NE(style & WS_POPUP, 0);
    EXPECT_EQ(style & WS_CAPTION, 0);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    GetMonitorInfoA(MonitorFromWindow(handle, MONITOR_DEFAULTTOPRIMARY), &monitor);
    RECT frame{};
    GetWindowRect(handle, &frame);
    EXPECT_EQ(frame.left, monitor.rcMonitor.left);
    EXPECT_EQ(frame.top, monitor.rcMonitor.top);
    EXPECT_EQ(frame.right, monitor.rcMonitor.right);
    EXPECT_EQ(frame.bottom, monitor.rcMonitor.bottom);
    int cw = 0;
    int ch = 0;
    window->client_size(cw, ch);
    EXPECT_EQ(cw, monitor.rcMonitor.right - monitor.rcMonitor.left);
    EXPECT_EQ(ch, monitor.rcMonitor.bottom - monitor.rcMonitor.top);
    EXPECT_EQ(listener.width, cw);  // the placement's WM_SIZE
    EXPECT_EQ(listener.height, ch);

    // Quadrants: red, green / blue, 0x123456; alpha is ignored.
    std::vector<uint32_t> pixels(320 * 240);
    for (int y = 0; y < 240; ++y) {
        for (int x = 0; x < 320; ++x) {
            pixels[y * 320 + x] = y < 120 ? (x < 160 ? 0x00FF0000u : 0xFF00FF00u)
                                          : (x < 160 ? 0x800000FFu : 0xFF123456u);
        }
    }
    window->present(pixels.data(), 320, 240, cw, ch);
    HDC dc = GetDC(handle);
    EXPECT_EQ(GetPixel(dc, cw / 4, ch / 4), RGB(0xFF, 0, 0));
    EXPECT_EQ(GetPixel(dc, 3 * cw / 4, ch / 4), RGB(0, 0xFF, 0));
    EXPECT_EQ(GetPixel(dc, cw / 4, 3 * ch / 4), RGB(0, 0, 0xFF));
    EXPECT_EQ(GetPixel(dc, cw - 1, ch - 1), RGB(0x12, 0x34, 0x56));
    ReleaseDC(handle, dc);

    // One message per call; mouse coordinates are signed 16-bit halves.
    PostMessageA(handle, WM_KEYDOWN, VK_ESCAPE, 0);
    PostMessageA(handle, WM_LBUTTONDOWN, 0, MAKELPARAM(static_cast<WORD>(-3), 7));
    PostMessageA(handle, WM_RBUTTONDOWN, 0, MAKELPARAM(10, 20));
    for (int i = 0; i < 3; ++i) window->handle_one_message();
    ASSERT_EQ(listener.inputs.size(), 3u);
    EXPECT_EQ(listener.inputs[0].kind, vdk::core::key_pressed);
    EXPECT_EQ(listener.inputs[0].key, vdk::core::escape_key);
    EXPECT_EQ(listener.inputs[1].kind, vdk::core::mouse_pressed);
    EXPECT_EQ(listener.inputs[1].button, vdk::core::left_button);
    EXPECT_EQ(listener.inputs[1].x, -3);
    EXPECT_EQ(listener.inputs[1].y, 7);
    EXPECT_EQ(listener.inputs[2].button, vdk::core::right_button);

    // The system's close reaches the listener; destroy() ends the window
    // without calling it, and a frame after that draws nothing.
    SendMessageA(handle, WM_CLOSE, 0, 0);
    EXPECT_EQ(listener.closings, 1);
    EXPECT_FALSE(IsWindow(handle));
    window->destroy();
    window->present(pixels.data(), 320, 240, cw, ch);
    window->handle_one_message();
    EXPECT_EQ(listener.closings, 1);
}

#endif  // _WIN32
