#include "effects/effect_outtro_picture.h"

#include <cmath>

bool effect_outtro_picture::init() {
    // Failures are reported under the last credit intro's name.
    return load_textures({{&tex_background, "_glimmerock/endscreen/v_g_bkg_Endscreen320_tlo.png"},
                          {&tex_noise, credit_noise_path},
                          {&tex_picture, "_glimmerock/endscreen/v_g_bkg_Endscreen320_clip3.png"}},
                         credit_rows::pello.failure_message);
}

double effect_outtro_picture::picture_weight(double s, float t) {
    if (s <= 266) return 0.0;
    if (s <= 276) return (10 - (276 - s)) / 10;  // fade in over ten seconds
    if (s > 276) {
        const float phase = 500.0f + t;
        return std::fabs(0.5 * std::sin(static_cast<double>(phase))) + 0.5;  // period pi
    }
    return 0.0;  // NaN position: the background alone
}

void effect_outtro_picture::advance(float app_ms, double music_s) {
    local_time = advance_clock(start_time, app_ms, 0.0f, 1000.0f);
    settle_tilt(credit_rows::pello.tilt, music_s, tilt());
}

int effect_outtro_picture::run(float app_ms, double music_s) {
    local_time = advance_clock(start_time, app_ms, 0.0f, 1000.0f);
    uint32_t* pixels = host->pixels();
    // The pictures are checked too: a frame cannot be drawn without them.
    if (pixels == nullptr || tex_background.pixels() == nullptr ||
        tex_picture.pixels() == nullptr || tex_noise.pixels() == nullptr) {
        log->write("BACK BUFFER TEXTURE LOCK FAILED, BUFF==NULLPTR", vdk::core::debug);
        release();
        return 1;
    }
    draw(pixels, music_s);
    return 1;
}

void effect_outtro_picture::draw(uint32_t pixels[], double music_s) {
    const tilted_layer_frame frame{&tex_background, &tex_picture, &tex_noise,
                                   local_time,      music_s,      picture_weight(music_s, local_time),
                                   false,           0.0};
    draw_tilted_layer(frame, credit_rows::pello.tilt, tilt(), pixels);
}
