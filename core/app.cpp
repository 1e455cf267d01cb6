#include "core/app.h"

#include <utility>

namespace vdk::core {

app_gdi::app_gdi(std::unique_ptr<window_system> window) : state_(new app_gdi_state) {
    state_->window = window ? std::move(window) : make_desktop_window();
}

app_gdi::~app_gdi() {
    destroy_window();
    delete state_;
}

void app_gdi::log_message(const std::string& text) {
    if (state_->logger_attached && state_->log != nullptr) {
        state_->log->write(text, info);
    } else {
        write_raw_log(text);
    }
}

int app_gdi::create(std::string title, int width, int height) {
    log_message("app_gdi::create/started");
    window_system& window = *state_->window;
    if (!window.open(title, width, height, this)) {
        const std::string reason = window.failure_reason();
        if (!reason.empty()) log_message("app_gdi::create: " + reason);
        // Intended as it reads, trailing space included, though no such API is
        // used; tests pin it.
        log_message("D2D_CreateWindow failed ");
        close();
        return -1;
    }
    window.disable_screen_saver();
    window.client_size(state_->client_width, state_->client_height);
    state_->buffer_width = width;
    state_->buffer_height = height;
    state_->back_buffer.create(width, height);
    log_message("app_gdi::create finished");
    return on_init();
}

int app_gdi::close() {
    if (state_->quit) return 0;
    state_->back_buffer.release();
    state_->quit = true;
    state_->window->destroy();
    return 0;
}

float app_gdi::next_frame_time() {
    const auto now = std::chrono::steady_clock::now();
    if (state_->frame_count == 0) state_->first_frame_time = now;
    ++state_->frame_count;
    const auto elapsed =
        std::chrono::duration_cast<std::chrono::nanoseconds>(now - state_->first_frame_time);
    const int64_t whole_ms = elapsed.count() / 1000000;
    return static_cast<float>(whole_ms);
}

int app_gdi::run() {
    begin_run();
    while (run_step()) {
    }
    return 0;
}

void app_gdi::begin_run() { log_message("app_gdi::run started"); }

bool app_gdi::run_step() {
    if (state_->quit) {
        log_message("app_gdi::run finished");
        return false;
    }
    on_frame(next_frame_time());
    present();
    state_->window->handle_one_message();
    return true;
}

void app_gdi::destroy_window() { state_->window->destroy(); }

bool app_gdi::quitting() const { return state_->quit; }
bool app_gdi::display_lost() const { return state_->display_lost; }
int app_gdi::client_width() const { return state_->client_width; }
int app_gdi::client_height() const { return state_->client_height; }

int app_gdi::attach_logger(logger* log) {
    state_->log = log;
    state_->logger_attached = true;
    return 0;
}

logger* app_gdi::get_logger() { return state_->log; }

int app_gdi::clear(int a, int r, int g, int b) {
    uint32_t* target = pixels();
    if (target == nullptr) return 0;
    const uint32_t value = static_cast<uint32_t>(a) * 0x1000000u + static_cast<uint32_t>(r) * 0x10000u +
                           static_cast<uint32_t>(g) * 0x100u + static_cast<uint32_t>(b);
    const int count = state_->buffer_width * state_->buffer_height;
    for (int i = 0; i < count; ++i) target[i] = value;
    return 0;
}

int app_gdi::present() {
    state_->window->present(pixels(), state_->buffer_width, state_->buffer_height,
                            state_->client_width, state_->client_height);
    return 0;
}

int app_gdi::show_cursor(bool show) {
    state_->window->show_cursor(show);
    return 0;
}

uint32_t* app_gdi::pixels() { return state_->back_buffer.lock(); }
texture_gdi* app_gdi::back_buffer() { return &state_->back_buffer; }
int app_gdi::buffer_width() { return state_->buffer_width; }
int app_gdi::buffer_height() { return state_->buffer_height; }

void app_gdi::window_closing() { close(); }

void app_gdi::window_input(const input_event& event) { on_input(event); }

// The display went away in the middle of the show: one line says so, then the
// usual closing path runs (the window sends nothing more to the display).
void app_gdi::window_lost(const std::string& reason) {
    state_->display_lost = true;
    log_message("app_gdi::run lost the display (" + reason + "), closing");
    close();
}

void app_gdi::window_resized(int client_width, int client_height) {
    state_->client_width = client_width;
    state_->client_height = client_height;
}

}  // namespace vdk::core
