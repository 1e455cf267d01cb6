#pragma once
// Swirling tunnel behind a stencil (184-192 s): a flight through a tunnel whose
// cross-section twists with the distance from the centre and with time, its
// walls carrying sharp flower-like bands, seen through a full-screen stencil
// picture that caps each colour channel. Full resolution; clock offset 0,
// divisor 1000.

#include "core/texture.h"
#include "effects/base_effect.h"

class effect_tunnel3 : public base_effect {
public:
    using base_effect::base_effect;

    bool init() override;
    int run(float app_ms, double music_s) override;
    void advance(float app_ms, double music_s) override;
    void render_band(int first_row, int end_row, double local_time, uint32_t pixels[]) const;

    vdk::core::texture_gdi tex_tunnel;   // the tunnel wall
    vdk::core::texture_gdi tex_overlay;  // loaded, not drawn
    vdk::core::texture_gdi tex_stencil;  // the full-screen stencil
    double local_time = 0.0;
    float start_time = -1.0f;
};
