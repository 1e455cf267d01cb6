#pragma once
// Still picture with tumbling torus (85-91 s).
//
// A ray-marched torus, coloured through tex_shade by its surface direction, is
// added over a still picture. Two sub-effects share the picture and differ in
// their fades: effect_two draws the frames before 88 s (in from white, out to
// white), effect_one the frames from 88 s on (in from white, out to black), so
// the switch at 88 s is a white frame on both sides. Both draw with the full
// resolution band layout. Clock offset 0 ms, divisor 1000.

#include "effects/base_effect.h"
#include "effects/raymarch.h"

class effect_still_01 : public base_effect {
public:
    using base_effect::base_effect;

    bool init() override;
    int run(float app_ms, double music_s) override;
    void advance(float app_ms, double music_s) override;

    // The two sub-effects: draw the whole frame with four full-resolution
    // bands of render_band_one / render_band_two.
    void effect_one(uint32_t* pixels, double local_time, double music_s);
    void effect_two(uint32_t* pixels, double local_time, double music_s);
    // Kernels of the sub-effects; they read local_time, normal_eps and the
    // textures from the effect.
    void render_band_one(int first_row, int end_row, uint32_t pixels[], double music_s) const;
    void render_band_two(int first_row, int end_row, uint32_t pixels[], double music_s) const;

    // Signed distance from p to the torus at the current local_time.
    double torus_distance(const raymarch::vec3& p) const;

    vdk::core::texture_gdi tex_shade;    // colour source for the torus
    vdk::core::texture_gdi tex_picture;  // the still picture
    double normal_eps = 0.0001;          // central-difference step of the normal
    double local_time = 0.0;
    float start_time = -1.0f;

private:
    // The fades of one frame, decided before the pixel loop. A fade toward
    // white by x turns a value into value (1 - x) + x.
    struct fade_plan {
        bool first_white;   // toward white by first
        double first;
        bool second_white;  // then toward white by second
        double second;
        bool to_black;      // then colours times keep, alpha times keep plus lift
        double lift;
        double keep;
    };
    // The pixel loop. One copy for every instruction set: one compiled for
    // AVX2 was measured no faster.
    void render_band(int first_row, int end_row, uint32_t pixels[], const fade_plan& fade) const;
};
