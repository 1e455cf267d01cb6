#include "effects/band_workers.h"

#if defined(__EMSCRIPTEN__) && !defined(__EMSCRIPTEN_PTHREADS__)
// A WebAssembly build without threads (a page that is not cross-origin
// isolated has no shared memory): the four bands run one after the other on
// the calling thread, in band order.
band_workers::band_workers() = default;
band_workers::~band_workers() = default;

void band_workers::run(band_layout layout, band_function render, void* context) {
    for (int band = 0; band < 4; ++band) {
        const band_rows rows = rows_of_band(layout, band);
        render(context, rows.first_row, rows.end_row);
    }
}

void band_workers::work(int) {}
#else
band_workers::band_workers() {
    for (int band = 0; band < 4; ++band) threads_[band] = std::thread(&band_workers::work, this, band);
}

band_workers::~band_workers() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    start_.notify_all();
    for (std::thread& thread : threads_) thread.join();
}

void band_workers::run(band_layout layout, band_function render, void* context) {
    std::unique_lock<std::mutex> lock(mutex_);
    layout_ = layout;
    render_ = render;
    context_ = context;
    running_ = 4;
    ++generation_;
    start_.notify_all();
    finished_.wait(lock, [this] { return running_ == 0; });
}

void band_workers::work(int band) {
    uint64_t seen = 0;
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        start_.wait(lock, [&] { return stopping_ || generation_ != seen; });
        if (stopping_) return;
        seen = generation_;
        const band_rows rows = rows_of_band(layout_, band);
        const band_function render = render_;
        void* const context = context_;
        lock.unlock();
        render(context, rows.first_row, rows.end_row);
        lock.lock();
        if (--running_ == 0) finished_.notify_one();
    }
}
#endif
