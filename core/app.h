#pragma once
// The application classes: base_app, the abstract interface, and app_gdi, the
// framework part that owns the window, the 320 x 240 back buffer and the main
// loop. A demo derives from app_gdi and implements the four hooks.

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "core/logger.h"
#include "core/texture.h"
#include "core/window_system.h"

namespace vdk::core {

// The exit code of a show that ended because its display went away (the X
// server died or the connection to it broke); every other end is 0.
constexpr int exit_display_lost = 5;

class base_app {
public:
    virtual ~base_app() = default;
    virtual int create(std::string title, int width, int height) = 0;
    virtual int close() = 0;
    virtual int run() = 0;
    virtual int on_init() = 0;
    virtual int on_input(const input_event& event) = 0;
    virtual int on_frame(float app_ms) = 0;
    virtual int on_reserved() = 0;
    virtual int attach_logger(logger* log) = 0;
    virtual logger* get_logger() = 0;
    virtual int clear(int a, int r, int g, int b) = 0;
    virtual int present() = 0;
    virtual int show_cursor(bool show) = 0;
    virtual uint32_t* pixels() = 0;
    virtual texture_gdi* back_buffer() = 0;
    virtual int buffer_width() = 0;
    virtual int buffer_height() = 0;
};

// The framework's state record.
struct app_gdi_state {
    std::unique_ptr<window_system> window;  // the application window
    texture_gdi back_buffer{nullptr};        // the frame effects draw and present shows
    logger* log = nullptr;                   // where the framework's messages go; not owned
    bool logger_attached = false;
    int32_t buffer_width = 0;
    int32_t buffer_height = 0;
    int32_t client_width = 0;  // stretch target of present
    int32_t client_height = 0;
    bool quit = false;  // closing; ends the main loop; never cleared
    bool display_lost = false;  // closed because the display went away
    // The main loop's clock: frames started, and the time of the first one.
    int32_t frame_count = 0;
    std::chrono::steady_clock::time_point first_frame_time{};
};

class app_gdi : public base_app, private window_listener {
public:
    // Uses the platform's desktop window unless another window system is given.
    explicit app_gdi(std::unique_ptr<window_system> window = nullptr);
    ~app_gdi() override;
    app_gdi(const app_gdi&) = delete;
    app_gdi& operator=(const app_gdi&) = delete;

    int create(std::string title, int width, int height) override;
    int close() override;
    int run() override;
    // The main loop in steps, for hosts that own the event loop (a browser
    // calls one step per animation frame): begin_run logs the start, then each
    // run_step is one pass of run(); false, after logging the end, once the
    // application is closing.
    void begin_run();
    bool run_step();
    int attach_logger(logger* log) override;
    logger* get_logger() override;
    int clear(int a, int r, int g, int b) override;
    int present() override;
    int show_cursor(bool show) override;
    uint32_t* pixels() override;
    texture_gdi* back_buffer() override;
    int buffer_width() override;
    int buffer_height() override;

    // Application time of the next frame: whole milliseconds since the first
    // frame on a monotonic clock, 0 on the first frame.
    float next_frame_time();
    bool quitting() const;
    // The show closed because its display went away.
    bool display_lost() const;
    int client_width() const;
    int client_height() const;

protected:
    // The framework's log step: through the attached logger at level 0, or a
    // raw line on standard output when none is attached.
    void log_message(const std::string& text);
    // Destroys the window (idempotent); no message reaches this object after.
    void destroy_window();

private:
    void window_closing() override;
    void window_input(const input_event& event) override;
    void window_resized(int client_width, int client_height) override;
    void window_lost(const std::string& reason) override;

    app_gdi_state* state_;
};

}  // namespace vdk::core
