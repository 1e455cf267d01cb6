#pragma once
// Four persistent worker threads that draw the four bands of a frame.
//
// run() hands band k (rows_of_band(layout, k)) to worker k, and returns once
// all four have finished, so nothing a worker does outlives the call. The
// workers start with the pool and are joined when it is destroyed; between
// frames they sleep.

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

enum class band_layout {
    full_resolution,  // 4 bands of 60 screen rows
    half_resolution,  // 4 bands of 30 band rows, each covering two screen rows
};

// The rows of the worker 'band' (0..3) in a layout.
struct band_rows {
    int first_row;
    int end_row;
};
constexpr band_rows rows_of_band(band_layout layout, int band) {
    const int height = layout == band_layout::full_resolution ? 60 : 30;
    return {band * height, (band + 1) * height};
}

using band_function = void (*)(void* context, int first_row, int end_row);

class band_workers {
public:
    band_workers();
    ~band_workers();
    band_workers(const band_workers&) = delete;
    band_workers& operator=(const band_workers&) = delete;

    // Runs render(context, first_row, end_row) for the four bands of the
    // layout, one per worker, and waits for all four.
    void run(band_layout layout, band_function render, void* context);

    template <class Render>
    void run(band_layout layout, Render& render) {
        run(
            layout,
            [](void* context, int first_row, int end_row) {
                (*static_cast<Render*>(context))(first_row, end_row);
            },
            &render);
    }

private:
    void work(int band);

    std::mutex mutex_;
    std::condition_variable start_;
    std::condition_variable finished_;
    uint64_t generation_ = 0;  // counts frames handed out
    int running_ = 0;          // workers still drawing the current frame
    bool stopping_ = false;
    band_layout layout_ = band_layout::full_resolution;
    band_function render_ = nullptr;
    void* context_ = nullptr;
    std::thread threads_[4];
};
