#include "effects/base_effect.h"

uint32_t* base_effect::back_buffer_pixels() {
    uint32_t* pixels = host->pixels();
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
