// The window in a web page: the back buffer goes onto the page's canvas
// (#screen, 320 x 240 canvas pixels that the page's style shows at 4:3, as
// large as the view allows, nearest neighbour), keys come from the page, and
// mouse presses and touches from the canvas (a touch counts as a left
// click). The page itself (full screen, the screen wake lock, the start and
// end screens) belongs to web/page.js; this file only draws and listens.
//
// Events are queued as they arrive and handed to the listener one per frame,
// as the desktop's message pump does. Leaving full screen while the show runs
// (browsers take Escape for that themselves and never pass the key on)
// counts as the Escape key.

#include <emscripten/emscripten.h>
#include <emscripten/html5.h>

#include <deque>
#include <vector>

#include "core/window_system.h"

namespace vdk::core {

namespace {

const char* const canvas_target = "#screen";

// Copies an RGBA frame from the module's memory onto the canvas. A shared
// memory cannot back an ImageData, hence the copy.
EM_JS(void, vdk_web_put_frame, (const unsigned char* rgba, int width, int height), {
    const canvas = document.getElementById('screen');
    if (!canvas) return;
    if (canvas.width !== width) canvas.width = width;
    if (canvas.height !== height) canvas.height = height;
    const context = canvas.getContext('2d');
    const bytes = new Uint8ClampedArray(HEAPU8.subarray(rgba, rgba + width * height * 4));
    context.putImageData(new ImageData(bytes, width, height), 0, 0);
});

EM_JS(void, vdk_web_set_cursor, (int show), {
    const canvas = document.getElementById('screen');
    if (canvas) canvas.style.cursor = show ? "" : "none";
});

// Keeps the screen on while the show runs (the page holds the wake lock, and
// asks for it again whenever the page shows again), and lets it go.
EM_JS(void, vdk_web_keep_screen_on, (), {
    if (Module.vdkKeepScreenOn) Module.vdkKeepScreenOn(true);
});

EM_JS(void, vdk_web_release_screen, (), {
    if (Module.vdkKeepScreenOn) Module.vdkKeepScreenOn(false);
});

EM_JS(int, vdk_web_has_canvas, (), { return document.getElementById('screen') ? 1 : 0; });

EM_JS(int, vdk_web_is_fullscreen, (), { return document.fullscreenElement ? 1 : 0; });

EM_JS(int, vdk_web_view_width, (), { return Math.round(window.innerWidth) | 0; });
EM_JS(int, vdk_web_view_height, (), { return Math.round(window.innerHeight) | 0; });

class web_window : public window_system {
public:
    ~web_window() override { destroy(); }

    bool open(const std::string&, int width, int height, window_listener* listener) override {
        if (!vdk_web_has_canvas()) {
            reason_ = "the page has no canvas #screen";
            return false;
        }
        listener_ = listener;
        open_ = true;
        was_fullscreen_ = vdk_web_is_fullscreen() != 0;
        client_width_ = vdk_web_view_width();
        client_height_ = vdk_web_view_height();
        rgba_.assign(static_cast<size_t>(width) * height * 4, 0);
        emscripten_set_keydown_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, this, false, &web_window::on_key);
        emscripten_set_mousedown_callback(canvas_target, this, false, &web_window::on_mouse);
        emscripten_set_touchstart_callback(canvas_target, this, false, &web_window::on_touch);
        emscripten_set_resize_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, this, false, &web_window::on_resize);
        emscripten_set_fullscreenchange_callback(EMSCRIPTEN_EVENT_TARGET_DOCUMENT, this, false,
                                                 &web_window::on_fullscreen);
        return true;
    }

    std::string failure_reason() const override { return reason_; }

    void client_size(int& width, int& height) const override {
        width = client_width_;
        height = client_height_;
    }

    // The canvas keeps the buffer's own size; the page's style does the
    // scaling, so the client size is not needed here.
    void present(const uint32_t* pixels, int width, int height, int, int) override {
        if (!open_ || pixels == nullptr || width <= 0 || height <= 0) return;
        const size_t count = static_cast<size_t>(width) * height;
        if (rgba_.size() < count * 4) rgba_.resize(count * 4);
        unsigned char* out = rgba_.data();
        for (size_t i = 0; i < count; ++i) {
            const uint32_t p = pixels[i];
            out[4 * i] = static_cast<unsigned char>(p >> 16);
            out[4 * i + 1] = static_cast<unsigned char>(p >> 8);
            out[4 * i + 2] = static_cast<unsigned char>(p);
            out[4 * i + 3] = 0xFF;  // the display ignores alpha
        }
        vdk_web_put_frame(out, width, height);
    }

    void show_cursor(bool show) override { vdk_web_set_cursor(show ? 1 : 0); }

    void disable_screen_saver() override { vdk_web_keep_screen_on(); }

    void handle_one_message() override {
        if (!open_ || queue_.empty()) return;
        const queued message = queue_.front();
        queue_.pop_front();
        if (message.resize) {
            client_width_ = message.width;
            client_height_ = message.height;
            listener_->window_resized(message.width, message.height);
        } else {
            listener_->window_input(message.event);
        }
    }

    void destroy() override {
        if (!open_) return;
        open_ = false;
        listener_ = nullptr;
        queue_.clear();
        emscripten_set_keydown_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, false, nullptr);
        emscripten_set_mousedown_callback(canvas_target, nullptr, false, nullptr);
        emscripten_set_touchstart_callback(canvas_target, nullptr, false, nullptr);
        emscripten_set_resize_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, false, nullptr);
        emscripten_set_fullscreenchange_callback(EMSCRIPTEN_EVENT_TARGET_DOCUMENT, nullptr, false, nullptr);
        vdk_web_set_cursor(1);
        vdk_web_release_screen();
    }

private:
    struct queued {
        bool resize;
        input_event event;
        int width;
        int height;
    };

    void push_input(const input_event& event) { queue_.push_back({false, event, 0, 0}); }
    // A press of button at (x, y) on the canvas.
    void push_press(int32_t button, double x, double y) {
        input_event event{};
        event.kind = mouse_pressed;
        event.button = button;
        event.x = static_cast<int32_t>(x);
        event.y = static_cast<int32_t>(y);
        push_input(event);
    }

    static EM_BOOL on_key(int, const EmscriptenKeyboardEvent* e, void* self) {
        auto* window = static_cast<web_window*>(self);
        if (!window->open_ || e->repeat) return EM_FALSE;
        input_event event{};
        event.kind = key_pressed;
        // DOM key codes agree with the Windows virtual-key codes for the keys
        // the show reads.
        event.key = static_cast<int32_t>(e->keyCode);
        window->push_input(event);
        return event.key == escape_key ? EM_TRUE : EM_FALSE;
    }

    static EM_BOOL on_mouse(int, const EmscriptenMouseEvent* e, void* self) {
        auto* window = static_cast<web_window*>(self);
        if (!window->open_) return EM_FALSE;
        int32_t button;
        if (e->button == 0) {
            button = left_button;
        } else if (e->button == 2) {
            button = right_button;
        } else {
            return EM_FALSE;
        }
        window->push_press(button, e->targetX, e->targetY);
        return EM_TRUE;
    }

    // A finger down on the picture is a left click there. Taking the event
    // keeps the browser from sending the click's mouse events as well.
    static EM_BOOL on_touch(int, const EmscriptenTouchEvent* e, void* self) {
        auto* window = static_cast<web_window*>(self);
        if (!window->open_ || e->numTouches <= 0) return EM_FALSE;
        const EmscriptenTouchPoint* point = &e->touches[0];
        for (int i = 0; i < e->numTouches; ++i) {
            if (e->touches[i].isChanged) {
                point = &e->touches[i];
                break;
            }
        }
        window->push_press(left_button, point->targetX, point->targetY);
        return EM_TRUE;
    }

    static EM_BOOL on_resize(int, const EmscriptenUiEvent* e, void* self) {
        auto* window = static_cast<web_window*>(self);
        if (!window->open_) return EM_FALSE;
        window->queue_.push_back({true, {}, e->windowInnerWidth, e->windowInnerHeight});
        return EM_FALSE;
    }

    static EM_BOOL on_fullscreen(int, const EmscriptenFullscreenChangeEvent* e, void* self) {
        auto* window = static_cast<web_window*>(self);
        if (!window->open_) return EM_FALSE;
        if (e->isFullscreen) {
            window->was_fullscreen_ = true;
        } else if (window->was_fullscreen_) {
            input_event event{};
            event.kind = key_pressed;
            event.key = escape_key;
            window->push_input(event);
        }
        return EM_FALSE;
    }

    window_listener* listener_ = nullptr;
    bool open_ = false;
    bool was_fullscreen_ = false;
    int client_width_ = 0;
    int client_height_ = 0;
    std::string reason_;
    std::vector<unsigned char> rgba_;
    std::deque<queued> queue_;
};

}  // namespace

std::unique_ptr<window_system> make_desktop_window() { return std::make_unique<web_window>(); }

// A page has no movable windows: the canvas is the same either way.
std::unique_ptr<window_system> make_windowed_desktop_window(int, int) {
    return std::make_unique<web_window>();
}

}  // namespace vdk::core
