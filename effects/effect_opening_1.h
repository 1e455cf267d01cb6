#pragma once
// Flight through a folded-cube fractal: an endless lattice of carved cubes,
// coloured only by how many march steps each ray took, through a cosine
// palette. Shown at 40.5-55 s (flying forward along z, fading to white over
// its last second) and at 206-213 s (swinging back and forth, fading to black
// over its last second). Full resolution; clock offset 0, divisor 1000, kept
// in single precision.
//
// View: u = 2x/320 - 1 to the right, v = 2y/240 - 1 downwards; the ray
// (u, 0.75 v, 1) is turned about z by theta = cos t, then about x by
// phi = 2 pi sin(t / 7).

#include <cstdint>

#include "core/texture.h"
#include "effects/base_effect.h"
#include "effects/instruction_set.h"
#include "effects/raymarch.h"

// What a frame of the flight depends on besides the pixel: the camera and the
// turn of the view.
struct flight_frame {
    raymarch::vec3 eye;
    double cos_theta;
    double sin_theta;
    double cos_phi;
    double sin_phi;

    // The camera flies along z up to 200 s of music and swings after.
    flight_frame(double t, double music_s);
    raymarch::vec3 ray(double u, double v) const;
};

class effect_opening_1 : public base_effect {
public:
    using base_effect::base_effect;

    bool init() override;
    int run(float app_ms, double music_s) override;
    void advance(float app_ms, double music_s) override;
    // Draws with the chosen instruction set.
    void render_band(int first_row, int end_row, double local_time, uint32_t pixels[],
                     double music_s) const;
    // Draws with the kernel of one instruction set (one the processor
    // supports); every set gives the same pixels.
    void render_band_with(instruction_set set, int first_row, int end_row, double local_time,
                          uint32_t pixels[], double music_s) const;

    // Distance to the lattice: space folded into cells of width 2 and carved
    // at fold_count scales 1, 3, 9, ...; never negative.
    double sponge_distance(const raymarch::vec3& p) const;
    // sponge_distance of count points with the kernel of one instruction set
    // (one the processor supports); every set gives the same bits.
    void sponge_distances_with(instruction_set set, const raymarch::vec3 points[], int count,
                               double distances[]) const;
    // The last step that moved a ray from eye along direction, where
    // eye_distance is sponge_distance(eye): 0 when it converges at once,
    // march_steps - 1 when it never does.
    int march_count(const raymarch::vec3& eye, double eye_distance, const raymarch::vec3& direction) const;
    // The palette colour of a step count at music position s, with its fades.
    color4 palette(int steps, double music_s) const;

    vdk::core::texture_gdi tex_noise;  // loaded, never sampled
    int32_t march_steps = 60;
    double hit_eps = 0.0001;
    int32_t fold_count = 4;
    float local_time = 0.0f;
    float start_time = -1.0f;
};
