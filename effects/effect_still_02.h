#pragma once
// Glass lens over a rippling picture (236-251 s).
//
// A lens-shaped glass body (the intersection of two moving spheres of radius
// 3) is ray-marched from a camera circling it at distance 8; hits are lit by
// four point lights and coloured through refraction and reflection lookups in
// tex_env, misses show tex_picture with its columns rippling sideways. Fades
// in from white (white until 236.5 s) and out to black over 250-251 s.
// Half resolution: band row j (0..119) fills screen rows 2j and 2j+1. Clock
// offset 0 ms, divisor 1000.

#include "effects/base_effect.h"
#include "effects/raymarch.h"

class effect_still_02 : public base_effect {
public:
    using base_effect::base_effect;

    bool init() override;
    int run(float app_ms, double music_s) override;
    void advance(float app_ms, double music_s) override;

    // Draws the frame with four half-resolution bands of render_band.
    void effect_one(uint32_t* pixels, double local_time, double music_s);
    // Draws band rows [first_row, end_row). One copy for every instruction
    // set: one compiled for AVX2 was measured no faster.
    void render_band(int first_row, int end_row, double local_time, uint32_t pixels[],
                     double music_s) const;

    // Signed distance from p to the glass body at the current local_time.
    double lens_distance(const raymarch::vec3& p) const;
    // The ball that bounds it for the marches: the distance is never below
    // the distance to this ball.
    raymarch::bounding_balls<1> lens_bounds() const;
    // Light (R, G, B) of a hit at 'hit' seen along 'dir', at the current
    // local_time.
    raymarch::vec3 shade_glass(const raymarch::vec3& hit, const raymarch::vec3& dir) const;

    // The camera's march (and the march through the glass): 40 distance
    // evaluations at most, the first at the origin; stops below 0.001, and
    // before a further step once the sum exceeds 20. The sum, or -1 when it
    // ended at 20 or beyond.
    template <class Field>
    static double march_lens(const Field& field, const raymarch::vec3& origin, const raymarch::vec3& dir) {
        return march(field, origin, dir, 40, 0.001, 20);
    }

    // Where a ray r leaving the glass through a surface of outward normal u
    // looks up the environment: the x and y of its refraction into the air, or
    // (0, 0) on total internal reflection.
    static raymarch::vec3 exit_lookup(const raymarch::vec3& r, const raymarch::vec3& u);

    // A colour channel at music position s after the fade in from white and
    // the fade out to black.
    static double fade_channel(double value, double s);

    vdk::core::texture_gdi tex_env;      // environment seen through and in the glass
    vdk::core::texture_gdi tex_picture;  // the rippling background
    double local_time = 0.0;
    float start_time = -1.0f;

};
