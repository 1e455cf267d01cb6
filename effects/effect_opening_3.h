#pragma once
// Picture with a breathing iris onto a glow layer (70-85 s).
//
// Three passes over the whole frame, on the calling thread, each visiting
// columns in the outer loop and rows in the inner loop:
//   1. render_picture: the picture premultiplied by its alpha into
//      layer_picture; the picture never changes, so init() draws this once;
//   2. render_glow: an industrial picture at the top fading downwards into a
//      moving glow that scrolling noise eats into, into layer_glow;
//   3. compose: inside a circular iris whose radius swells and shrinks with
//      time the glow layer shows, outside it the picture at half strength over
//      a flat colour, and in the iris's soft edge the picture zoomed towards
//      its top-left corner; faded in from white over 70-72 s.
// Clock: offset 0, divisor 1000, computed in single precision.

#include "effects/base_effect.h"

class effect_opening_3 : public base_effect {
public:
    using base_effect::base_effect;

    // Loads the pictures, allocates the two 320 x 240 working layers and
    // draws the picture layer.
    bool init() override;
    int run(float app_ms, double music_s) override;
    void advance(float app_ms, double music_s) override;

    // Pass 1 into a 320 x 240 array (layer_picture in init).
    void render_picture(uint32_t pixels[]) const;
    // Pass 2 into a 320 x 240 array (layer_glow in run).
    void render_glow(uint32_t pixels[], double local_time) const;
    // Pass 3 from the two working layers into the 320 x 240 back buffer.
    void compose(uint32_t pixels[], double local_time, double music_s) const;

    vdk::core::texture_gdi tex_picture;
    vdk::core::texture_gdi tex_noise;
    vdk::core::texture_gdi tex_industrial;
    vdk::core::texture_gdi layer_picture;
    vdk::core::texture_gdi layer_glow;
    double local_time = 0.0;
    float start_time = -1.0f;
};
