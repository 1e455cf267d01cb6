#include "effects/band_workers.h"

#include <algorithm>

int band_workers::default_thread_count() {
#if defined(__EMSCRIPTEN__) && !defined(__EMSCRIPTEN_PTHREADS__)
    // A WebAssembly build without threads (a page that is not cross-origin
    // isolated has no shared memory): the caller draws every band.
    return 0;
#elif defined(__EMSCRIPTEN__)
    // A page's main thread cannot sleep, so its wait for the workers spins
    // on a processor: one worker per other processor, so that the spinning
    // never takes a processor from a band.
    const int processors = static_cast<int>(std::thread::hardware_concurrency());
    return std::clamp(processors - 1, 1, band_count - 1);
#else
    // The caller sleeps while it waits: one worker per band, all four woken
    // at once, which measured faster for the short frames than the caller
    // drawing one of them.
    return band_count;
#endif
}

band_workers::band_workers(int threads) {
    threads = std::clamp(threads, 0, band_count);
    threads_.reserve(static_cast<size_t>(threads));
    for (int i = 0; i < threads; ++i) threads_.emplace_back(&band_workers::work, this);
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
    next_band_ = 0;
    running_ = band_count;
    ++generation_;
    if (!threads_.empty()) start_.notify_all();
    // With a worker for every band the caller only waits.
    if (thread_count() < band_count) draw_bands(lock);
    finished_.wait(lock, [this] { return running_ == 0; });
}

void band_workers::draw_bands(std::unique_lock<std::mutex>& lock) {
    while (next_band_ < band_count) {
        const band_rows rows = rows_of_band(layout_, next_band_++);
        const band_function render = render_;
        void* const context = context_;
        lock.unlock();
        render(context, rows.first_row, rows.end_row);
        lock.lock();
        if (--running_ == 0) finished_.notify_one();
    }
}

void band_workers::work() {
    uint64_t seen = 0;
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        start_.wait(lock, [&] { return stopping_ || generation_ != seen; });
        if (stopping_) return;
        seen = generation_;
        draw_bands(lock);
    }
}
