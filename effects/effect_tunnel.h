#pragma once
// Twisting tunnel with greetings (91-107 s): a textured tunnel whose walls
// twist and pulse, with ridged bands of light and shade running around it,
// computed per pixel from the polar coordinates of the screen point, with a
// sequence of greeting pictures laid over it in step with the music. Fades to
// black over 106-107 s. Full resolution; clock offset 0, divisor 1000.
//
// A greeting picture is stretched over the whole screen (sampled at x/320,
// y/240) and weighted over the tunnel by its alpha channel.

#include "effects/base_effect.h"

class effect_tunnel : public base_effect {
public:
    using base_effect::base_effect;

    bool init() override;
    int run(float app_ms, double music_s) override;
    // The clock and the greeting schedule, as a drawn frame moves them.
    void advance(float app_ms, double music_s) override;
    void render_band(int first_row, int end_row, double local_time, uint32_t pixels[],
                     double music_s) const;

    // Steps the greeting schedule to music position s; it never goes back.
    void advance_greetings(double music_s);

    static constexpr int greeting_count = 5;

    vdk::core::texture_gdi tex_skin;                 // tunnel wall
    vdk::core::texture_gdi greet[greeting_count];    // greeting pictures 1 to 5
    int greet_step = 0;                              // schedule step 0..5
    vdk::core::texture_gdi* greet_current = nullptr; // picture shown, or none
    double local_time = 0.0;
    float start_time = -1.0f;

private:
    // The clock alone; run() steps the schedule only once it has a back buffer.
    void tick_clock(float app_ms);
};
