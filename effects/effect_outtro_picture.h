#pragma once
// End screen (265.5 s to the close).
// Placeholder until the scene is built: loads nothing and draws nothing.

#include "effects/base_effect.h"

class effect_outtro_picture : public base_effect {
public:
    using base_effect::base_effect;

    bool init() override { return true; }
    int run(float, double) override { return 1; }
    void advance(float, double) override {}
};
