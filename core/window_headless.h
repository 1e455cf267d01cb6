#pragma once
// A window system without a window, for tests and offline tools: open always
// succeeds, present hands the finished frame to a callback, and input or a
// close request can be queued as if a user had given it.

#include <deque>
#include <functional>

#include "core/window_system.h"

namespace vdk::core {

class headless_window : public window_system {
public:
    using frame_callback = std::function<void(const uint32_t* pixels, int width, int height)>;

    explicit headless_window(int client_width = 320, int client_height = 240)
        : client_width_(client_width), client_height_(client_height) {}

    void on_present(frame_callback callback) { callback_ = std::move(callback); }
    void queue_input(const input_event& event) { queue_.push_back({false, event}); }
    void queue_close() { queue_.push_back({true, {}}); }
    size_t queued_messages() const { return queue_.size(); }
    bool is_open() const { return open_; }
    bool cursor_visible() const { return cursor_visible_; }
    int presented_frames() const { return presented_frames_; }

    bool open(const std::string& title, int width, int height, window_listener* listener) override;
    std::string failure_reason() const override { return {}; }
    void client_size(int& width, int& height) const override;
    void present(const uint32_t* pixels, int width, int height, int client_width,
                 int client_height) override;
    void show_cursor(bool show) override { cursor_visible_ = show; }
    void disable_screen_saver() override {}
    void handle_one_message() override;
    void destroy() override;

private:
    struct message {
        bool close;
        input_event event;
    };

    int client_width_;
    int client_height_;
    window_listener* listener_ = nullptr;
    bool open_ = false;
    bool cursor_visible_ = true;
    int presented_frames_ = 0;
    frame_callback callback_;
    std::deque<message> queue_;
};

}  // namespace vdk::core
