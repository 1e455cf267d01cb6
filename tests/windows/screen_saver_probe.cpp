// Reads or sets the session's screen saver switch, as another program on the
// desktop sees it: "screen_saver_probe" prints "active 1" or "active 0";
// "screen_saver_probe 1" (or 0) switches it on (off) first.

#include <windows.h>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
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
