#pragma once
// Glowing cell pattern (55-70 s, 213-236 s).
// Placeholder until the scene is built: loads nothing and draws nothing.

#include "effects/base_effect.h"

class effect_opening_2 : public base_effect {
public:
    using base_effect::base_effect;

    bool init() override { return true; }
    int run(float, double) override { return 1; }
    void advance(float, double) override {}
};
