#pragma once
// Credit intro for pello (37-40.5 s).
// Placeholder until the scene is built: loads nothing and draws nothing.

#include "effects/base_effect.h"

class effect_intro_pello : public base_effect {
public:
    using base_effect::base_effect;

    bool init() override { return true; }
    int run(float, double) override { return 1; }
    void advance(float, double) override {}
};
