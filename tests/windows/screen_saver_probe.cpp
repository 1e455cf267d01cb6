// Reads or sets the session's screen saver switch, as another program on the
// desktop sees it: "screen_saver_probe" prints "active 1" or "active 0";
// "screen_saver_probe 1" (or 0) switches it on (off) first.

#include <windows.h>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    // Programs that draw on the desktop read and set the screen saver through
    // the display (under Wine: the X server's screen saver); a program that
    // never touched the display would see only the saved setting. Touch it.
    HDC screen = GetDC(nullptr);
    if (screen != nullptr) ReleaseDC(nullptr, screen);
    if (argc > 1) {
        const BOOL on = std::strcmp(argv[1], "1") == 0 ? TRUE : FALSE;
        if (!SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, on, nullptr, 0)) {
            std::printf("set failed %lu\n", GetLastError());
            return 1;
        }
    }
    BOOL active = FALSE;
    if (!SystemParametersInfoA(SPI_GETSCREENSAVEACTIVE, 0, &active, 0)) {
        std::printf("get failed %lu\n", GetLastError());
        return 1;
    }
    std::printf("active %d\n", active ? 1 : 0);
    return 0;
}
