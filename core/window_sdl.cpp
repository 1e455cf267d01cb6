// The desktop window on SDL2: a borderless window over the whole primary
// display, a streaming ARGB8888 texture that receives the back buffer every
// frame and is stretched over the whole output, no vertical sync.

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "core/window_system.h"

namespace vdk::core {

namespace {

const char* const window_class_name = "VELDRAKIN_gdi_APP";

// Windows virtual-key code of an SDL key, or 0 for keys the show never needs.
int32_t virtual_key(SDL_Keycode key) {
    if (key >= SDLK_a && key <= SDLK_z) return 'A' + (key - SDLK_a);
    if (key >= SDLK_0 && key <= SDLK_9) return '0' + (key - SDLK_0);
    if (key >= SDLK_F1 && key <= SDLK_F12) return 0x70 + (key - SDLK_F1);
    switch (key) {
        case SDLK_ESCAPE: return 0x1B;
        case SDLK_RETURN: case SDLK_KP_ENTER: return 0x0D;
        case SDLK_SPACE: return 0x20;
        case SDLK_BACKSPACE: return 0x08;
        case SDLK_TAB: return 0x09;
        case SDLK_LEFT: return 0x25;
        case SDLK_UP: return 0x26;
        case SDLK_RIGHT: return 0x27;
        case SDLK_DOWN: return 0x28;
        case SDLK_PAGEUP: return 0x21;
        case SDLK_PAGEDOWN: return 0x22;
        case SDLK_HOME: return 0x24;
        case SDLK_END: return 0x23;
        case SDLK_INSERT: return 0x2D;
        case SDLK_DELETE: return 0x2E;
        case SDLK_LSHIFT: case SDLK_RSHIFT: return 0x10;
        case SDLK_LCTRL: case SDLK_RCTRL: return 0x11;
        case SDLK_LALT: case SDLK_RALT: return 0x12;
        default: return 0;
    }
}

// The last X I/O error, as Xlib's own handler would print it. Xlib's I/O
// error handler is process-wide and takes no user data.
char io_error_text[160] = "";

int note_io_error(Display* display) {
    std::snprintf(io_error_text, sizeof io_error_text, "X connection to %s broken",
                  DisplayString(display));
    return 0;
}

// Drivers that open no window anyone can see count as no window at all.
bool visible_driver(const char* driver) {
    return driver != nullptr && std::strcmp(driver, "offscreen") != 0 &&
           std::strcmp(driver, "dummy") != 0 && std::strcmp(driver, "evdev") != 0;
}

class sdl_window : public window_system {
public:
    // A width x height client area makes a movable window instead of the
    // full-screen one; 0 x 0 is the full screen.
    explicit sdl_window(int windowed_width = 0, int windowed_height = 0)
        : windowed_width_(windowed_width), windowed_height_(windowed_height) {}

    ~sdl_window() override {
        destroy();
        if (video_started_ && !lost_) SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }

    bool open(const std::string& title, int width, int height, window_listener* listener) override {
        listener_ = listener;
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
            reason_ = std::string("SDL video: ") + SDL_GetError();
            return false;
        }
        video_started_ = true;
        const char* driver = SDL_GetCurrentVideoDriver();
        if (!visible_driver(driver)) {
            reason_ = std::string("no display: SDL video driver '") + (driver ? driver : "?") +
                      "' shows no window";
            return false;
        }
        SDL_Rect display{};
        if (SDL_GetDisplayBounds(0, &display) != 0) display = {0, 0, width, height};
        SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");
        SDL_SetHint(SDL_HINT_RENDER_VSYNC, "0");
        // The window is made for its renderer and stays hidden until it has
        // one: an OpenGL renderer on a window created without OpenGL would
        // destroy that window and create another, so the first window would
        // flash on the screen and anyone who found it would hold a dead id.
        // Without OpenGL, a window of its own with the software renderer.
        const int opengl = render_driver_index("opengl");
        if (opengl >= 0) open_with(title, display, SDL_WINDOW_OPENGL, opengl, 0);
        if (renderer_ == nullptr) open_with(title, display, 0, -1, SDL_RENDERER_SOFTWARE);
        if (renderer_ != nullptr) {
            frame_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_ARGB8888,
                                       SDL_TEXTUREACCESS_STREAMING, width, height);
        }
        if (renderer_ == nullptr || frame_ == nullptr) {
            reason_ = window_ == nullptr ? std::string("SDL_CreateWindow: ") + SDL_GetError()
                                         : std::string("SDL renderer: ") + SDL_GetError();
            destroy();
            return false;
        }
        set_class_hint();  // before the window is mapped, as window managers read it then
        SDL_ShowWindow(window_);
        frame_width_ = width;
        frame_height_ = height;
        return true;
    }

    std::string failure_reason() const override { return reason_; }

    void client_size(int& width, int& height) const override {
        width = 0;
        height = 0;
        if (renderer_ != nullptr) SDL_GetRendererOutputSize(renderer_, &width, &height);
    }

    void present(const uint32_t* pixels, int width, int height, int, int) override {
        watch_display();
        if (renderer_ == nullptr || pixels == nullptr || lost_) return;
        if (width != frame_width_ || height != frame_height_) return;
        SDL_UpdateTexture(frame_, nullptr, pixels, width * 4);
        SDL_RenderCopy(renderer_, frame_, nullptr, nullptr);  // stretched over the whole output
        SDL_RenderPresent(renderer_);
    }

    void show_cursor(bool show) override {
        watch_display();
        if (!lost_) SDL_ShowCursor(show ? SDL_ENABLE : SDL_DISABLE);
    }

    void disable_screen_saver() override {
        watch_display();
        if (!lost_) SDL_DisableScreenSaver();
    }

    void handle_one_message() override {
        if (window_ == nullptr) return;
        watch_display();
        if (!lost_) {
            SDL_PumpEvents();
            merge_pointer_motion();
        }
        if (lost_) {
            report_lost_display();
            return;
        }
        SDL_Event event;
        if (SDL_PeepEvents(&event, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) <= 0) return;
        switch (event.type) {
            case SDL_QUIT: listener_->window_closing(); break;
            case SDL_WINDOWEVENT:
                if (event.window.event == SDL_WINDOWEVENT_CLOSE) {
                    listener_->window_closing();
                } else if (event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
                    int w = 0;
                    int h = 0;
                    client_size(w, h);
                    listener_->window_resized(w, h);
                }
                break;
            case SDL_KEYDOWN: {
                input_event input{};
                input.kind = key_pressed;
                input.key = virtual_key(event.key.keysym.sym);
                listener_->window_input(input);
                break;
            }
            case SDL_MOUSEBUTTONDOWN: {
                if (event.button.button != SDL_BUTTON_LEFT && event.button.button != SDL_BUTTON_RIGHT) {
                    break;
                }
                input_event input{};
                input.kind = mouse_pressed;
                input.button = event.button.button == SDL_BUTTON_LEFT ? left_button : right_button;
                input.x = event.button.x;
                input.y = event.button.y;
                listener_->window_input(input);
                break;
            }
            default: break;
        }
    }

    // After the display is lost nothing is sent to it any more: the window,
    // the renderer and the texture are left to the end of the process.
    void destroy() override {
        if (!lost_) {
            unwatch_display();
            if (frame_ != nullptr) SDL_DestroyTexture(frame_);
            if (renderer_ != nullptr) SDL_DestroyRenderer(renderer_);
            if (window_ != nullptr) SDL_DestroyWindow(window_);
        }
        frame_ = nullptr;
        renderer_ = nullptr;
        window_ = nullptr;
        listener_ = nullptr;
    }

private:
    static int render_driver_index(const char* name) {
        for (int i = 0; i < SDL_GetNumRenderDrivers(); ++i) {
            SDL_RendererInfo info;
            if (SDL_GetRenderDriverInfo(i, &info) == 0 && std::strcmp(info.name, name) == 0) return i;
        }
        return -1;
    }

    // A hidden window with the given extra flags and its renderer; on failure
    // neither is kept.
    void open_with(const std::string& title, const SDL_Rect& display, Uint32 flags, int driver,
                   Uint32 renderer_flags) {
        flags |= SDL_WINDOW_HIDDEN;
        if (windowed_width_ > 0 && windowed_height_ > 0) {
            window_ = SDL_CreateWindow(title.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                       windowed_width_, windowed_height_, flags);
        } else {
            window_ = SDL_CreateWindow(title.c_str(), display.x, display.y, display.w, display.h,
                                       flags | SDL_WINDOW_BORDERLESS | SDL_WINDOW_FULLSCREEN_DESKTOP);
        }
        if (window_ == nullptr) return;
        renderer_ = SDL_CreateRenderer(window_, driver, renderer_flags);
        if (renderer_ == nullptr) {
            SDL_DestroyWindow(window_);
            window_ = nullptr;
        }
    }

    // SDL queues every pointer motion as its own event, and the loop takes one
    // event per frame, so a moving mouse would build a backlog that a key or
    // click waits behind. As in the Windows message queue, each run of
    // consecutive motion events becomes its newest one (relative motion
    // summed); every other event keeps its place and order.
    void merge_pointer_motion() {
        const int motions =
            SDL_PeepEvents(nullptr, 0, SDL_PEEKEVENT, SDL_MOUSEMOTION, SDL_MOUSEMOTION);
        if (motions <= 1) return;
        const int count = SDL_PeepEvents(nullptr, 0, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT);
        pending_.resize(static_cast<size_t>(count));
        const int taken =
            SDL_PeepEvents(pending_.data(), count, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT);
        size_t kept = 0;
        for (int i = 0; i < taken; ++i) {
            const SDL_Event& event = pending_[static_cast<size_t>(i)];
            if (event.type == SDL_MOUSEMOTION && kept > 0 &&
                pending_[kept - 1].type == SDL_MOUSEMOTION &&
                pending_[kept - 1].motion.which == event.motion.which) {
                const int xrel = pending_[kept - 1].motion.xrel + event.motion.xrel;
                const int yrel = pending_[kept - 1].motion.yrel + event.motion.yrel;
                pending_[kept - 1] = event;
                pending_[kept - 1].motion.xrel = xrel;
                pending_[kept - 1].motion.yrel = yrel;
            } else {
                pending_[kept++] = event;
            }
        }
        SDL_PeepEvents(pending_.data(), static_cast<int>(kept), SDL_ADDEVENT, SDL_FIRSTEVENT,
                       SDL_LASTEVENT);
    }

    // Catches the loss of the X connection on the window's display (set up
    // before the first call that talks to the X server after opening).
    void watch_display() {
        if (watched_ || window_ == nullptr) return;
        watched_ = true;
        SDL_SysWMinfo info;
        SDL_VERSION(&info.version);
        if (!SDL_GetWindowWMInfo(window_, &info) || info.subsystem != SDL_SYSWM_X11) return;
        display_ = info.info.x11.display;
        previous_io_handler_ = XSetIOErrorHandler(&note_io_error);
        XSetIOErrorExitHandler(display_, &display_lost, this);
    }

    void unwatch_display() {
        if (display_ == nullptr) return;
        XSetIOErrorExitHandler(display_, nullptr, nullptr);  // Xlib's own again
        XSetIOErrorHandler(previous_io_handler_);
        display_ = nullptr;
    }

    // Xlib's exit handler for the display: called after the I/O error
    // handler when the connection broke. Returning, instead of exiting as
    // Xlib's default does, leaves the display failed: Xlib returns from every
    // later call on it at once. The window then tells its listener.
    static void display_lost(Display*, void* self) { static_cast<sdl_window*>(self)->lost_ = true; }

    void report_lost_display() {
        if (listener_ == nullptr) return;
        window_listener* listener = listener_;
        listener_ = nullptr;  // once
        listener->window_lost(io_error_text[0] != '\0' ? io_error_text : "X connection broken");
    }

    // The X11 class hint carries the window class name, as window managers
    // and test tools look windows up by it.
    void set_class_hint() {
        SDL_SysWMinfo info;
        SDL_VERSION(&info.version);
        if (!SDL_GetWindowWMInfo(window_, &info) || info.subsystem != SDL_SYSWM_X11) return;
        XClassHint hint;
        std::string name = window_class_name;
        hint.res_name = name.data();
        hint.res_class = name.data();
        XSetClassHint(info.info.x11.display, info.info.x11.window, &hint);
        XFlush(info.info.x11.display);
    }

    int windowed_width_;
    int windowed_height_;
    window_listener* listener_ = nullptr;
    SDL_Window* window_ = nullptr;
    SDL_Renderer* renderer_ = nullptr;
    SDL_Texture* frame_ = nullptr;
    int frame_width_ = 0;
    int frame_height_ = 0;
    bool video_started_ = false;
    std::string reason_;
    std::vector<SDL_Event> pending_;  // the queue while motion is merged
    bool watched_ = false;
    Display* display_ = nullptr;  // the watched X display
    XIOErrorHandler previous_io_handler_ = nullptr;
    bool lost_ = false;  // the X connection broke
};

}  // namespace

std::unique_ptr<window_system> make_desktop_window() { return std::make_unique<sdl_window>(); }

std::unique_ptr<window_system> make_windowed_desktop_window(int width, int height) {
    return std::make_unique<sdl_window>(width, height);
}

}  // namespace vdk::core
