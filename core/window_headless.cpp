#include "core/window_headless.h"

namespace vdk::core {

bool headless_window::open(const std::string&, int, int, window_listener* listener) {
    listener_ = listener;
    open_ = true;
    return true;
}

void headless_window::client_size(int& width, int& height) const {
    width = client_width_;
    height = client_height_;
}

void headless_window::present(const uint32_t* pixels, int width, int height, int, int) {
    if (!open_ || pixels == nullptr) return;
    ++presented_frames_;
    if (callback_) callback_(pixels, width, height);
}

void headless_window::handle_one_message() {
    if (!open_ || queue_.empty()) return;
    const message next = queue_.front();
    queue_.pop_front();
    if (next.close) {
        listener_->window_closing();
    } else {
        listener_->window_input(next.event);
    }
}

void headless_window::destroy() {
    open_ = false;
    listener_ = nullptr;
}

}  // namespace vdk::core
