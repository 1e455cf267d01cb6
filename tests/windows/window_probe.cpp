// Looks the show's window up from another process the way Windows tools do:
// by window class and title. Prints what the end-to-end test checks:
//   found 1|0, the window's rectangle, its client size, its style, and the
//   primary screen's size. Exit code 0 when the window exists.

#include <windows.h>

#include <cstdio>

int main() {
    HWND window = FindWindowA("VELDRAKIN_gdi_APP", "Quorvane - Veldrakin Demo");
    if (window == nullptr) {
        std::printf("found 0\n");
        return 1;
    }
    RECT frame{};
    RECT client{};
    GetWindowRect(window, &frame);
    GetClientRect(window, &client);
    const LONG style = GetWindowLongA(window, GWL_STYLE);
    std::printf("found 1\n");
    std::printf("rect %ld %ld %ld %ld\n", frame.left, frame.top, frame.right, frame.bottom);
    std::printf("client %ld %ld\n", client.right - client.left, client.bottom - client.top);
    std::printf("style %08lx popup %d caption %d\n", static_cast<unsigned long>(style),
                (style & WS_POPUP) != 0, (style & WS_CAPTION) == WS_CAPTION);
    std::printf("screen %d %d\n", GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    return 0;
}
