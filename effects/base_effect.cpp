#include "effects/base_effect.h"

#include <thread>

#include "app/my_app.h"

void run_bands(band_layout layout, band_function render, void* context) {
    std::thread workers[4];
    for (int band = 0; band < 4; ++band) {
        const band_rows rows = rows_of_band(layout, band);
        workers[band] = std::thread(render, context, rows.first_row, rows.end_row);
    }
    for (std::thread& worker : workers) worker.join();
}

uint32_t* base_effect::back_buffer_pixels() {
    uint32_t* pixels = app->pixels();
    if (pixels == nullptr) {
        log->write("BACK BUFFER TEXTURE LOCK FAILED, BUFF==NULLPTR", vdk::core::debug);
        release();
    }
    return pixels;
}

bool base_effect::load_textures(
    std::initializer_list<std::pair<vdk::core::texture_gdi*, const char*>> files,
    const char* failure_message) {
    for (const auto& [texture, path] : files) {
        if (texture->load_png(path) != 0) {
            log->write(failure_message, vdk::core::error);
            return false;
        }
    }
    return true;
}
