#pragma once
// Glass rings, ray-marched (199-206 s).
// Placeholder until the scene is built: loads nothing and draws nothing.

#include "effects/base_effect.h"

class effect_blobs2 : public base_effect {
public:
    using base_effect::base_effect;

    bool init() override { return true; }
    int run(float, double) override { return 1; }
    void advance(float, double) override {}
};
