#pragma once
// Sliding stripes with greeting (107-121 s): a picture cut into horizontal
// stripes that slide sideways against each other (two kinds of stripe with two
// motions, and one still stripe that no screen row falls into), over a warm,
// streaked ground, with a greeting picture that pulses in and out on top. The
// striped picture contributes only its red channel; green and blue are built
// on the red value. Fades in from black over 107-108 s and out over 120-121 s.
// Full resolution; clock offset 0, divisor 1000.

#include "effects/base_effect.h"

class effect_scroller : public base_effect {
public:
    using base_effect::base_effect;

    bool init() override;
    int run(float app_ms, double music_s) override;
    void advance(float app_ms, double music_s) override;
    void render_band(int first_row, int end_row, double local_time, uint32_t pixels[],
                     double music_s) const;

    // How a stripe moves: swing by |3 sin(t/10)|, still, or sway by
    // 1.5 sin(t/10).
    enum class stripe_kind { swing, still, sway };
    // The stripe that screen row y belongs to.
    static stripe_kind stripe_of(int y);

    vdk::core::texture_gdi tex_grain;    // streaked ground
    vdk::core::texture_gdi tex_greet;    // greeting picture
    vdk::core::texture_gdi tex_stripes;  // the striped picture
    double local_time = 0.0;
    float start_time = -1.0f;
};
