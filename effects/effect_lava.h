#pragma once
// Lava fractal: a drifting orange-to-yellow fold-and-invert fractal with
// darkened edges, faded in from black over 121-123 s and out over 149-150 s.
// Half resolution; clock offset 1000 ms, divisor 1000 (starts at -1).

#include "effects/base_effect.h"
#include "effects/instruction_set.h"

class effect_lava : public base_effect {
public:
    using base_effect::base_effect;

    bool init() override { return true; }
    int run(float app_ms, double music_s) override;
    void advance(float app_ms, double music_s) override;
    // Draws with the chosen instruction set.
    void render_band(int first_row, int end_row, double local_time, uint32_t pixels[],
                     double music_s) const;
    // Draws with the kernel of one instruction set (one the processor
    // supports); every set gives the same pixels.
    void render_band_with(instruction_set set, int first_row, int end_row, double local_time,
                          uint32_t pixels[], double music_s) const;

    double local_time = 0.0;
    float start_time = -1.0f;
};
