#pragma once
// What an effect may reach of the program that shows it: the back buffer it
// draws into, the workers that draw its bands, and a way to end the show.
// The show's application implements it; tests implement it with a bare back
// buffer. Effects see nothing else of the program that hosts them.

#include <cstdint>

#include "effects/band_workers.h"

class effect_host {
public:
    // The 320 x 240 back buffer's pixels (0xAARRGGBB, top row first), or null
    // when there is none (the host has closed).
    virtual uint32_t* pixels() = 0;
    // The four workers that draw the bands of a frame.
    virtual band_workers& workers() = 0;
    // Ends the show: the back buffer goes and no further frame is drawn.
    virtual int close() = 0;

protected:
    ~effect_host() = default;
};
