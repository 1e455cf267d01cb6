#pragma once
// Rotating textured planes (177-184 s): a floor and a ceiling covered with one
// repeating picture, meeting at a horizon line through the screen centre that
// slowly rotates; the picture scrolls and sways and darkens linearly toward
// the horizon. Full resolution; clock offset 0, divisor 1100.

#include "core/texture.h"
#include "effects/base_effect.h"

class effect_tunnel2 : public base_effect {
public:
    using base_effect::base_effect;

    bool init() override;
    int run(float app_ms, double music_s) override;
    void advance(float app_ms, double music_s) override;
    void render_band(int first_row, int end_row, double local_time, uint32_t pixels[]) const;

    vdk::core::texture_gdi tex_plane;
    double local_time = 0.0;
    float start_time = -1.0f;
};
