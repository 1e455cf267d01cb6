#pragma once
// End screen (265.5 s to the close): the rippling, breathing background of the
// credit scenes, with the end-screen picture faded in over it from 266 to
// 276 s and pulsing between half and full opacity after 276 s. The picture
// keeps the last credit intro's tilt schedule, whose steps all fall due on
// the first frame (pixels (0, 0) to (0, 2)), so from then on it is upright.
// Drawn on the calling thread, without bands.

#include "effects/credit_intro.h"

class effect_outtro_picture : public tilted_layer_effect {
public:
    effect_outtro_picture(effect_host* host, vdk::core::logger* log)
        : tilted_layer_effect(host, log, credit_rows::pello.tilt) {}

    // Loads background, noise and end-screen picture, in this order.
    bool init() override;
    // The end-screen picture's weight at music position s and clock t; the
    // picture is blended with this times its alpha.
    static double picture_weight(double s, float t);

    vdk::core::texture_gdi tex_picture;

protected:
    vdk::core::texture_gdi& layer() override { return tex_picture; }
    // picture_weight, no white fade.
    layer_blend blend_at(double music_s) const override {
        return {picture_weight(music_s, local_time), false, 0.0};
    }
};
