#pragma once
// Glowing cell pattern (55-70 s, 213-236 s): two layers of square-ish cellular
// noise (maximum-norm distance, two octaves) that turn, zoom and drift, lit
// brightest along the cell borders, darkened towards the screen edges and
// tinted by raising the brightness to per-channel powers read from a picture.
// Full resolution; single-precision clock, offset 0, divisor 1000.
//
// Fades: to white over 69-70 s; from 219 s the colour and the brightness are
// both multiplied by (220 - s), and from 233 s also by (234 - s), so the
// packed colour follows the squares of those factors (black at 220 and 234 s,
// full at 221 s, clipping far above full in between).

#include "effects/base_effect.h"
#include "effects/instruction_set.h"

class effect_opening_2 : public base_effect {
public:
    using base_effect::base_effect;

    bool init() override;
    int run(float app_ms, double music_s) override;
    void advance(float app_ms, double music_s) override;
    // Draws band rows [first_row, end_row) with the chosen instruction set;
    // the second form with the given set, one the processor supports (any
    // set draws the same pixels).
    void render_band(int first_row, int end_row, double local_time, uint32_t pixels[],
                     double music_s) const;
    void render_band(int first_row, int end_row, double local_time, uint32_t pixels[],
                     double music_s, instruction_set set) const;

    // Nearest and second-nearest feature distance of a cellular noise with
    // cells of size 1, one feature point per cell and the maximum norm.
    struct feature_distances {
        float f1;
        float f2;
    };
    static feature_distances cell_noise(double px, double py);
    // fract(43758.5453123 sin n)
    static double hash1(double n);

    // The border terms of one octave from the gaps F2 - F1 of the pattern
    // layer and G2 - G1 of the second layer: 1 (pattern) and 1.5 (second
    // layer) on a border, falling to 0 and 0.5 away from it.
    static float border_q(double pattern_gap);
    static double border_j(double layer_gap);

    // rounded_pow(bases[i], exponents[i]) for i < count through the tint's
    // powers of the set's kernel: single-precision bases >= 0 and exponents
    // in (0, 17], the range of the tint.
    static void tint_powers(instruction_set set, const double bases[], const double exponents[],
                            double powers[], int count);

    // The terms of one frame that do not depend on the pixel.
    struct frame_terms {
        double strength;      // value noise of 2x between 0.4 and 1.2
        double zoom;
        double cos_turn;
        double sin_turn;
        double drift;
        double layer_offset;  // offset of the second layer
        bool to_white;        // 69 < s < 72
        double white;         // 1 - (70 - s)
        bool first_factor;    // s > 219
        double factor_1;      // 220 - s
        bool second_factor;   // s > 233
        double factor_2;      // 234 - s
    };
    static frame_terms terms_at(double local_time, double music_s);
    // The fades of a frame applied to a colour record, in their order.
    static color4 apply_fades(const frame_terms& terms, color4 c);

    vdk::core::texture_gdi tex_background;  // source of the tint
    vdk::core::texture_gdi tex_noise;       // loaded, never sampled
    float local_time = 0.0f;
    float start_time = -1.0f;
};
