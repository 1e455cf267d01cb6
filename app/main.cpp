// The show's entry: no arguments, no configuration; exit code 0, or 5 when the
// display went away in the middle (vdk::core::exit_display_lost).

#include "app/my_app.h"

#ifdef _WIN32
#include <windows.h>

// The arguments are ignored: the window finds the module's instance itself
// and is always shown the same way.
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    my_app app;
    return run_show(app);
}
#else
int main() {
    my_app app;
    return run_show(app);
}
#endif
