#pragma once
// Persistent worker threads that draw the four bands of a frame, helped by
// the calling thread when there are fewer workers than bands.
//
// run() offers the four bands of a layout (rows_of_band(layout, k)) to the
// workers, and to the caller when there are fewer workers than bands: each of
// them takes the lowest band not yet taken and draws it, until none is left.
// A caller that draws starts at once, so it draws while the workers wake, and
// what it waits for at the end is at most the bands still being drawn (a
// page's main thread, which cannot sleep, spins while it waits). run()
// returns once all four have finished, so nothing a worker does outlives the
// call. Which thread draws which band differs from frame to frame; the bands
// are disjoint and independent, so the pixels do not. The workers start with
// the pool and are joined when it is destroyed; between frames they sleep.

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

enum class band_layout {
    full_resolution,  // 4 bands of 60 screen rows
    half_resolution,  // 4 bands of 30 band rows, each covering two screen rows
};

constexpr int band_count = 4;

// The rows of band 'band' (0..3) in a layout.
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
    // The workers for this platform: on the desktop four, one per band, and
    // the caller only waits; in a page one per processor beside the caller's,
    // at most three, and the caller draws too; none where the build has no
    // threads.
    static int default_thread_count();

    // Starts 'threads' workers (0..4). With fewer than four the caller draws
    // bands beside them (with 0 every band, in band order); with four it
    // only waits.
    explicit band_workers(int threads = default_thread_count());
    ~band_workers();
    band_workers(const band_workers&) = delete;
    band_workers& operator=(const band_workers&) = delete;

    // The number of worker threads beside the caller.
    int thread_count() const { return static_cast<int>(threads_.size()); }

    // Runs render(context, first_row, end_row) for the four bands of the
    // layout, on the caller and the workers, and waits for all four.
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
    void work();
    // Draws bands of the current frame until none is left to take; called and
    // returns with the lock held.
    void draw_bands(std::unique_lock<std::mutex>& lock);

    std::mutex mutex_;
    std::condition_variable start_;
    std::condition_variable finished_;
    uint64_t generation_ = 0;  // counts frames handed out
    int next_band_ = band_count;  // the next band to take in the current frame
    int running_ = 0;             // bands of the current frame not yet finished
    bool stopping_ = false;
    band_layout layout_ = band_layout::full_resolution;
    band_function render_ = nullptr;
    void* context_ = nullptr;
    std::vector<std::thread> threads_;
};
