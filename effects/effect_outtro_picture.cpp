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
