#pragma once
// Swirling tunnel behind a stencil (184-192 s).
// Placeholder until the scene is built: loads nothing and draws nothing.

#include "effects/base_effect.h"

class effect_tunnel3 : public base_effect {
public:
    using base_effect::base_effect;

    bool init() override { return true; }
    int run(float, double) override { return 1; }
    void advance(float, double) override {}
};
