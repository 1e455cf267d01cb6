#pragma once
// End screen (265.5 s to the close): the rippling, breathing background of the
// credit scenes, with the end-screen picture faded in over it from 266 to
// 276 s and pulsing between half and full opacity after 276 s. The picture
// keeps the last credit intro's tilt schedule, whose steps all fall due on
// the first frame (pixels (0, 0) to (0, 2)), so from then on it is upright.
// Drawn on the calling thread, without bands.

#include "effects/credit_intro.h"

class effect_outtro_picture : public base_effect {
public:
    using base_effect::base_effect;

    // Loads background, noise and end-screen picture, in this order.
    bool init() override;
    int run(float app_ms, double music_s) override;
    void advance(float app_ms, double music_s) override;
    // Draws one frame at music position music_s with the current clock into
    // pixels, taking the tilt steps due.
    void draw(uint32_t pixels[], double music_s);
    // The end-screen picture's weight at music position s and clock t; the
    // picture is blended with this times its alpha.
    static double picture_weight(double s, float t);

    vdk::core::texture_gdi tex_background;
    vdk::core::texture_gdi tex_picture;
    vdk::core::texture_gdi tex_noise;
    float local_time = 0.0f;
    float start_time = -1.0f;
    double tilt_since = 0.0;
    double tilt_angle = 0.0;
    int32_t tilt_state = 0;

private:
    tilt_ref tilt() { return {tilt_since, tilt_angle, tilt_state}; }
};
