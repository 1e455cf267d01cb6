#pragma once
// The seam between the application and the window system: one borderless
// window over the primary display, its input, and the per-frame presentation
// of the back buffer stretched over the whole client area.
//
// Implementations: window_sdl.cpp (the desktop through SDL2, Linux),
// window_win32.cpp (the desktop through Win32 and GDI, Windows) and
// window_headless.cpp (no window; frames go to whoever asked for them).
// Nothing outside those files includes a window-system header.

#include <cstdint>
#include <memory>
#include <string>

namespace vdk::core {

// What a key or mouse press hands to the application.
struct input_event {
    int32_t kind;    // 0 = key pressed, 1 = mouse button pressed
    int32_t button;  // mouse only: 0 = left, 4 = right
    int32_t key;     // key only: Windows virtual-key code (Escape is 27)
    int32_t x;       // mouse only: client coordinates
    int32_t y;
};

enum input_kind : int32_t { key_pressed = 0, mouse_pressed = 1 };
enum mouse_button : int32_t { left_button = 0, right_button = 4 };
constexpr int32_t escape_key = 27;

// Where a window reports what happened to it.
class window_listener {
public:
    virtual void window_closing() = 0;                    // the user or system closes it
    virtual void window_input(const input_event& event) = 0;
    virtual void window_resized(int client_width, int client_height) = 0;
    // The connection to the display broke: no input or frame gets through any
    // more. By default the same as a close.
    virtual void window_lost(const std::string& reason) {
        (void)reason;
        window_closing();
    }

protected:
    ~window_listener() = default;
};

class window_system {
public:
    virtual ~window_system() = default;

    // Opens the window over the primary display. False when no visible window
    // can be had; failure_reason() then says why.
    virtual bool open(const std::string& title, int width, int height,
                      window_listener* listener) = 0;
    virtual std::string failure_reason() const = 0;
    virtual void client_size(int& width, int& height) const = 0;
    // Shows a width x height 0xAARRGGBB frame (null: nothing) stretched to
    // client_width x client_height.
    virtual void present(const uint32_t* pixels, int width, int height, int client_width,
                         int client_height) = 0;
    virtual void show_cursor(bool show) = 0;
    virtual void disable_screen_saver() = 0;
    // Takes at most one pending message and dispatches it to the listener.
    virtual void handle_one_message() = 0;
    // Destroys the window; later calls do nothing. No listener call follows.
    virtual void destroy() = 0;
};

// The desktop window of this platform.
std::unique_ptr<window_system> make_desktop_window();
// The same window as a movable window with a width x height client area in
// place of the full screen, for tools that show a scene beside other work.
std::unique_ptr<window_system> make_windowed_desktop_window(int width, int height);

}  // namespace vdk::core
