#pragma once
// Title sequence (0-25 s): two soft light spots wander over black and reveal
// the background picture; from 7.2 s a ring-shaped term bends the light, from
// 8 s the background cross-fades into the title, a noise image ripples both
// pictures horizontally, and the whole fades in from black over the first 7 s
// and out to white between 23 and 25 s.
//
// Screen coordinates: u = 2x/320 - 1 and v = 2y/240 - 1, both from -1 to just
// under 1, v growing downwards, no aspect correction. Clock offset 0 ms,
// divisor 1000, kept in single precision. Drawn on the calling thread.

#include "effects/base_effect.h"

class effect_intro_group : public base_effect {
public:
    using base_effect::base_effect;

    // The values every pixel of a frame shares.
    struct frame_values {
        double spot1_u;        // A: spot 1 is centred at (A, B)
        double spot1_v;        // B
        double spot2_m;        // M: spot 2 is centred at (-M, -N)
        double spot2_n;        // N
        bool ring;             // the ring term applies (after 7.2 s)
        float ring_strength;   // L
        bool fade_in;          // brightness scaled by s / 7 (before 7 s)
        bool cross_fade;       // background blended into the title (after 7 s)
        double cross_weight;   // w = (s - 8) / 6, unclamped
        bool white_out;        // blended towards white (after 23 s)
        double white_keep;     // p = (25 - s) / 2: the share of the picture
        double ripple;         // e = cos(sin t)
    };
    static frame_values values_at(float t, double s);

    // Loads background, title and noise, in this order.
    bool init() override;
    // Draws a frame and returns 1; without a back buffer or background it
    // closes the host and returns 0.
    int run(float app_ms, double music_s) override;
    void advance(float app_ms, double music_s) override;
    // Draws one frame at music position music_s with the current clock.
    void draw(uint32_t pixels[], double music_s) const;

    vdk::core::texture_gdi tex_background;
    vdk::core::texture_gdi tex_title;
    vdk::core::texture_gdi tex_noise;
    float local_time = 0.0f;
    float start_time = -1.0f;
};
